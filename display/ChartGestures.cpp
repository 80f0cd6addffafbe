#include "ChartGestures.h"

#include "ChartPages.h"
#include "ChartReadout.h"
#include "KRVChart.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// A wheel notch zooms in or out by a fifth.
constexpr double NotchFactor = 0.8;

} // namespace

TChartGestures::TChartGestures(TKRVChart &Chart, TChartPages &Pages) : QObject(&Pages), FChart(Chart), FPages(Pages)
{
    FChart.setMouseTracking(true);
    FChart.setFocusPolicy(Qt::StrongFocus);
    FChart.installEventFilter(this);
    FChart.OnPaintOverlay = [this](QPainter &Painter) { Paint(Painter); };
}

bool TChartGestures::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched != &FChart)
        return false;
    switch (Event->type()) {
    case QEvent::Wheel:
        return Wheel(static_cast<QWheelEvent *>(Event));
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(Event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        FPressed = true;
        FDragging = false;
        FPressX = mouse->position().x();
        FPressFirst = FChart.TimeAxis()->range().lower;
        return false;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(Event);
        if (FPressed && (mouse->buttons() & Qt::LeftButton))
            Drag(mouse);
        HoverAt(mouse->position().x());
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton)
            FPressed = FDragging = false;
        return false;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(Event)->button() != Qt::LeftButton)
            return false;
        FPressed = FDragging = false;
        FPages.BackToLive();
        return true;
    case QEvent::Leave:
        HideCursor();
        return false;
    case QEvent::KeyPress:
        return Key(static_cast<QKeyEvent *>(Event));
    default:
        return false;
    }
}

bool TChartGestures::Wheel(QWheelEvent *Event)
{
    const QPointF at = Event->position();
    if (!FChart.PlotRect().contains(at.toPoint()))
        return false;
    const double notches = Event->angleDelta().y() / 120.0;
    if (notches == 0)
        return true;
    const double factor = std::pow(NotchFactor, notches);
    if (Event->modifiers() & Qt::ControlModifier) {
        if (const TCustomAxis *axis = FPages.CurrentAxis())
            FPages.ZoomValue(axis->Axis->pixelToCoord(at.y()), factor);
    } else {
        FPages.ZoomTime(FChart.TimeAxis()->pixelToCoord(at.x()), factor);
    }
    HoverAt(at.x());
    return true;
}

void TChartGestures::Drag(QMouseEvent *Event)
{
    const double dx = Event->position().x() - FPressX;
    if (!FDragging && std::abs(dx) < QApplication::startDragDistance())
        return;
    FDragging = true;
    const double width = std::max(1, FChart.PlotRect().width());
    // The steps under the pointer stay under it.
    FPages.PanTo(FPressFirst - dx * double(FPages.ViewSamples()) / width);
}

bool TChartGestures::Key(QKeyEvent *Event)
{
    switch (Event->key()) {
    case Qt::Key_Home:
        FPages.BackToLive();
        return true;
    case Qt::Key_Left:
        MoveCursor(-1);
        return true;
    case Qt::Key_Right:
        MoveCursor(1);
        return true;
    default:
        return false;
    }
}

void TChartGestures::HoverAt(double X)
{
    const QRect plot = FChart.PlotRect();
    const std::int64_t steps = FPages.Steps();
    if (X < plot.left() || X > plot.right() || steps <= 0) {
        HideCursor();
        return;
    }
    const QCPRange view = FChart.TimeAxis()->range();
    const auto first = std::max<std::int64_t>(1, std::int64_t(std::ceil(view.lower)));
    const auto last = std::min<std::int64_t>(steps, std::int64_t(std::floor(view.upper)));
    if (first > last) {
        HideCursor();
        return;
    }
    const std::int64_t step = std::clamp<std::int64_t>(std::llround(FChart.TimeAxis()->pixelToCoord(X)), first, last);
    if (FPages.View().Cursor == step)
        return;
    FPages.View().Cursor = step;
    ShowCursorChange();
}

void TChartGestures::HideCursor()
{
    if (!FPages.View().Cursor)
        return;
    FPages.View().Cursor.reset();
    ShowCursorChange();
}

void TChartGestures::MoveCursor(int Steps)
{
    const std::int64_t steps = FPages.Steps();
    if (steps <= 0)
        return;
    const QCPRange view = FChart.TimeAxis()->range();
    const auto first = std::max<std::int64_t>(1, std::int64_t(std::ceil(view.lower)));
    const auto last = std::max(first, std::min<std::int64_t>(steps, std::int64_t(std::floor(view.upper))));
    // Without a cursor the keys take it up at the newest step in view.
    const std::int64_t from = FPages.View().Cursor.value_or(last - Steps);
    FPages.View().Cursor = std::clamp<std::int64_t>(from + Steps, first, last);
    ShowCursorChange();
}

void TChartGestures::ShowCursorChange()
{
    // Only the strip of the old and the new cursor is painted again, from the chart's buffer.
    QRect now;
    if (const auto step = FPages.View().Cursor) {
        const double x = FChart.TimeAxis()->coordToPixel(double(*step));
        const TReadout readout = ReadoutAt(FChart, FPages.Rows(), *step);
        const QRect plot = FChart.PlotRect();
        now = ReadoutBox(FChart, readout, x).united(QRect(int(x) - 2, plot.top(), 5, plot.height() + 1));
    }
    FChart.update(FPainted.united(now).adjusted(-1, -1, 1, 1));
}

void TChartGestures::Paint(QPainter &Painter)
{
    FPainted = {};
    const auto step = FPages.View().Cursor;
    if (!step)
        return;
    const QCPRange view = FChart.TimeAxis()->range();
    if (double(*step) < view.lower || double(*step) > view.upper)
        return;
    const double x = FChart.TimeAxis()->coordToPixel(double(*step));
    const TReadout readout = ReadoutAt(FChart, FPages.Rows(), *step);
    PaintReadout(Painter, FChart, readout, x);
    const QRect plot = FChart.PlotRect();
    FPainted = ReadoutBox(FChart, readout, x).united(QRect(int(x) - 2, plot.top(), 5, plot.height() + 1));
}
