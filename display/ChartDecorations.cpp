#include "ChartDecorations.h"

#include "AxisPainter.h"
#include "ChartBuilder.h"
#include "ChartPages.h"
#include "KRVChart.h"
#include "charger/KRVCharger.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QAction>
#include <QImage>
#include <QTabBar>

#include <algorithm>

namespace {

constexpr int HeaderInset = 20;   // logo corner, legend distance from the right and from the plot
constexpr int HeaderLineGap = 10; // between the header's text lines
constexpr int LegendRowHeight = 20;
constexpr int LegendPadding = 4;
constexpr int SwatchSize = 12;
const QColor SwatchFrameColor(128, 128, 128);

QString KindName(TValueToken Kind) { return ValueTokenNames[static_cast<std::size_t>(ValueTokenIndex(Kind))]; }

void DrawTextAt(QPainter *Painter, int X, int Y, const QString &Text)
{
    Painter->drawText(QPointF(X, Y + Painter->fontMetrics().ascent()), Text);
}

} // namespace

void TLegendShape::Paint(QPainter *Painter, const QRect &Box) const
{
    Painter->save();
    // The inside first: at fractional scale factors it would cover part of the frame.
    Painter->fillRect(Box.adjusted(1, 1, -1, -1), Fill);
    Painter->setPen(Frame);
    Painter->setBrush(Qt::NoBrush);
    Painter->drawRect(Box.adjusted(0, 0, -1, -1));
    Painter->restore();
}

TChartDecorations::TChartDecorations(TKRVChart &Chart, const TChannelRows &Rows, TChartPages &Pages,
                                     QAction *actShowLegend, const QImage *Logo)
    : FChart(Chart), FRows(Rows), FPages(Pages), FShowLegend(actShowLegend), FLogo(Logo)
{
    CreateLegendShape();
    FChart.OnBeforeDrawAxes = [this](QCPPainter *Painter) { ChartBeforeDrawAxes(Painter); };
    FChart.OnAfterDraw = [this](QCPPainter *Painter) { ChartAfterDraw(Painter); };
}

TChartDecorations::~TChartDecorations()
{
    FChart.OnBeforeDrawAxes = nullptr;
    FChart.OnAfterDraw = nullptr;
}

void TChartDecorations::CreateLegendShape() { FLegendShape = std::make_unique<TLegendShape>(); }

int TChartDecorations::AxisIndexOfToken(TValueToken Kind)
{
    const auto at = std::find(AxisValueTokens.begin(), AxisValueTokens.end(), Kind);
    return at == AxisValueTokens.end() ? -1 : static_cast<int>(at - AxisValueTokens.begin());
}

TCustomAxis *TChartDecorations::CustomAxisAt(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(FChart.CustomAxes.size()))
        return nullptr;
    return &FChart.CustomAxes[static_cast<std::size_t>(Index)];
}

const TChartSeries *TChartDecorations::SeriesOf(int AxisIndex, int ChannelIndex) const
{
    if (AxisIndex < 0 || AxisIndex >= static_cast<int>(FChart.SeriesGroups.size()))
        return nullptr;
    const std::vector<TChartSeries *> &group = FChart.SeriesGroups[static_cast<std::size_t>(AxisIndex)];
    if (ChannelIndex < 0 || ChannelIndex >= static_cast<int>(group.size()))
        return nullptr;
    return group[static_cast<std::size_t>(ChannelIndex)];
}

void TChartDecorations::ChartBeforeDrawAxes(QCPPainter *Painter)
{
    Painter->setFont(FChart.font());
    DrawLogo(Painter);
    DrawHeaderText(Painter);
    DrawLegend(Painter);

    const QRect plot = FChart.PlotRect();
    const int left = plot.left();
    const int right = plot.left() + plot.width();
    const int timeLine = plot.bottom();
    // The chart's value axes rise from the time axis line by the plot's height.
    const int top = timeLine - plot.height();
    const int capacity = AxisIndexOfToken(vtCapacity);
    const bool capacityShown = capacity >= 0 && capacity == FPages.CurrentAxisIndex();
    TCustomAxis *current = FPages.CurrentAxis();

    // On its own page the capacity axis gets its grid across the bars. The chart writes its
    // labels at this very place; writing them twice would blur them.
    if (TCustomAxis *axis = CustomAxisAt(capacity); axis && capacityShown) {
        TAxisPlacement at;
        at.LineX = left;
        at.Top = top;
        at.Bottom = timeLine;
        at.Labels = false;
        at.Grid = true;
        at.GridLeft = left;
        at.GridRight = right;
        PaintValueAxis(Painter, axis->Axis, at);
    }

    Painter->setPen(FChart.TimeAxis()->basePen());
    if (!capacityShown)
        Painter->drawLine(QLineF(left, top, left, timeLine + 1));

    if (current) {
        // The page's value range, framed at its two ends.
        Painter->setPen(current->Axis->grid()->pen());
        for (double value : {current->Axis->range().upper, current->Axis->range().lower}) {
            const double y = current->Axis->coordToPixel(value);
            Painter->drawLine(QLineF(left, y, right, y));
        }
        current->LabelsOnAxis = true;
    }

    if (FPages.Tabs()->currentIndex() != 0)
        return;
    Painter->setPen(FChart.TimeAxis()->basePen());
    Painter->drawLine(QLineF(right, top, right, timeLine + 1));
    // Both hidden axes write their labels to the right of their line.
    auto paintAt = [&](TCustomAxis &Axis, double LineX, bool LabelsInside) {
        TAxisPlacement at;
        at.LineX = LineX;
        at.Top = top;
        at.Bottom = timeLine;
        at.LabelsRight = true;
        at.LabelsOnAxis = Axis.LabelsOnAxis;
        at.LabelBackground = LabelsInside;
        at.Grid = Axis.Axis->visible();
        at.GridLeft = left;
        at.GridRight = right;
        PaintValueAxis(Painter, Axis.Axis, at);
    };
    if (TCustomAxis *axis = CustomAxisAt(1))
        paintAt(*axis, right, false);
    if (TCustomAxis *axis = CustomAxisAt(2)) {
        // Inside the plot the end labels would sit on the frame lines, and the grid would
        // strike the others through.
        axis->LabelsOnAxis = false;
        paintAt(*axis, left, true);
    }
}

void TChartDecorations::ChartAfterDraw(QCPPainter *Painter)
{
    const int capacity = AxisIndexOfToken(vtCapacity);
    if (capacity < 0 || capacity != FPages.CurrentAxisIndex())
        return;
    // The base line of the bars, along the time axis.
    const QRect plot = FChart.PlotRect();
    Painter->setPen(FChart.TimeAxis()->basePen());
    Painter->drawLine(QLineF(plot.left(), plot.bottom(), plot.left() + plot.width(), plot.bottom()));
}

void TChartDecorations::DrawLogo(QPainter *Painter)
{
    if (!FLogo || FLogo->isNull())
        return;
    Painter->drawImage(QPoint(HeaderInset, HeaderInset), *FLogo);
    FLogoRect = QRect(QPoint(HeaderInset, HeaderInset), FLogo->size());
}

void TChartDecorations::DrawHeaderText(QPainter *Painter)
{
    const int x = FLogoRect.x() + FLogoRect.width() + HeaderInset;
    const QString title = LoadStr(TTextId::AppTitle);
    const QString version = FormatText(LoadStr(TTextId::AppVersionLine), {AppVersionText});
    const QString library =
        FormatText(LoadStr(TTextId::LibraryVersionLine), {KRVChargerVersionMajor + 0LL, KRVChargerVersionMinor + 0LL});

    const QFont kept = Painter->font();
    Painter->setPen(ChartTextColor);
    Painter->setBrush(Qt::NoBrush);
    QFont bold = kept;
    bold.setBold(true);
    bold.setPointSize(10);
    Painter->setFont(bold);
    const int y1 = FLogoRect.y();
    DrawTextAt(Painter, x, y1, title);

    Painter->setFont(kept);
    const int y2 = y1 + Painter->fontMetrics().height() + HeaderLineGap;
    DrawTextAt(Painter, x, y2, version);
    const int y3 = y2 + Painter->fontMetrics().height() + HeaderLineGap;
    DrawTextAt(Painter, x, y3, library);
    Painter->setFont(kept);
}

QString TChartDecorations::LegendLabel(const TChannelRow &Row)
{
    const long long number = Row.ChannelIndex + 1LL;
    if (Row.Description.isEmpty())
        return FormatText(LoadStr(TTextId::ChannelNumber), {number});
    return FormatText(LoadStr(TTextId::ChannelWithDescription), {number, Row.Description});
}

TChartDecorations::TLegendLayout TChartDecorations::LayoutLegend() const
{
    const QFontMetrics metrics(FChart.font(), &FChart);
    TLegendLayout layout;
    for (const TChannelRow &row : FRows)
        layout.LabelWidth = std::max(layout.LabelWidth, metrics.horizontalAdvance(LegendLabel(row)));

    const int page = FPages.Tabs()->currentIndex();
    if (page <= 0)
        layout.Kinds = AxisValueTokens;
    else if (page - 1 < static_cast<int>(AxisValueTokens.size()))
        layout.Kinds.push_back(AxisValueTokens[static_cast<std::size_t>(page - 1)]);

    int width = layout.LabelWidth + 2 * LegendPadding;
    for (TValueToken kind : layout.Kinds)
        width += LegendPadding + SwatchSize + LegendPadding + metrics.horizontalAdvance(KindName(kind));
    const auto checked = std::count_if(FRows.begin(), FRows.end(), [](const TChannelRow &Row) { return Row.Checked; });
    layout.Size = QSize(width, LegendRowHeight * static_cast<int>(checked));
    return layout;
}

QSize TChartDecorations::MeasureLegend() const { return LayoutLegend().Size; }

QRect TChartDecorations::LegendBox() const
{
    const QSize size = MeasureLegend();
    const int right = FChart.viewport().width();
    return QRect(right - HeaderInset - size.width(), FChart.Margins().top() - HeaderInset - size.height(), size.width(),
                 size.height());
}

void TChartDecorations::DrawLegend(QPainter *Painter)
{
    const TLegendLayout layout = LayoutLegend();
    if (!FShowLegend || !FShowLegend->isChecked() || layout.Size.height() <= 0)
        return;
    const QRect box = LegendBox();
    FLegendShape->Paint(Painter, box);

    int row = 0;
    for (const TChannelRow &channel : FRows) {
        if (!channel.Checked)
            continue;
        const int y = box.top() + LegendRowHeight * row + LegendPadding;
        DrawLegendText(Painter, box.left() + LegendPadding, y, LegendLabel(channel));
        int x = box.left() + layout.LabelWidth + LegendPadding;
        for (TValueToken kind : layout.Kinds) {
            const int swatchX = x + LegendPadding;
            if (const TChartSeries *series = SeriesOf(AxisIndexOfToken(kind), channel.ChannelIndex))
                DrawLegendSwatch(Painter, swatchX, y, series->Color());
            x = DrawLegendText(Painter, swatchX + SwatchSize + LegendPadding, y, KindName(kind)).x();
        }
        ++row;
    }
}

QPoint TChartDecorations::DrawLegendSwatch(QPainter *Painter, int X, int Y, const QColor &Color)
{
    Painter->setPen(SwatchFrameColor);
    Painter->setBrush(Qt::NoBrush);
    Painter->drawRect(QRect(X, Y, SwatchSize - 1, SwatchSize - 1));
    Painter->fillRect(QRect(X + 1, Y + 1, SwatchSize - 2, SwatchSize - 2), Color);
    return QPoint(X + SwatchSize, Y);
}

QPoint TChartDecorations::DrawLegendText(QPainter *Painter, int X, int Y, const QString &Text)
{
    Painter->setBrush(Qt::NoBrush);
    Painter->setPen(ChartTextColor);
    DrawTextAt(Painter, X, Y, Text);
    return QPoint(X + Painter->fontMetrics().horizontalAdvance(Text), Y);
}
