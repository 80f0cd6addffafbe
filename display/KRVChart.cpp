#include "KRVChart.h"

#include "ChartTickers.h"

#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <exception>

// Runs one of the chart's painting hooks from a layer of its own, so that it paints in every
// replot and in every rendering into a picture.
class TChartHook : public QCPLayerable
{
public:
    TChartHook(QCustomPlot *Chart, const QString &Layer, const std::function<void(QCPPainter *)> &Hook)
        : QCPLayerable(Chart, Layer), FHook(Hook)
    {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter *Painter) const override { Painter->setAntialiasing(false); }

    void draw(QCPPainter *Painter) override
    {
        if (!FHook)
            return;
        Painter->save();
        Painter->setClipRect(parentPlot()->viewport());
        try {
            FHook(Painter);
        } catch (const std::exception &) {
            // Painting reports nothing; what was painted up to the failure stays.
        }
        Painter->restore();
    }

private:
    // A member of the chart, which owns this layerable: the reference stays valid.
    const std::function<void(QCPPainter *)> &FHook;
};

namespace {

const QString BeforeDrawAxesLayer = QStringLiteral("decorations");
const QString AfterDrawLayer = QStringLiteral("decorationsTop");
const QString BarsLayer = QStringLiteral("bars");

} // namespace

TKRVChart::TKRVChart(QWidget *Parent) : QCustomPlot(Parent)
{
    setBackground(Qt::white);
    setInteractions(QCP::Interactions());
    // Cached labels land a pixel off the directly drawn ones of a saved picture; the saved
    // chart is to look as shown.
    setPlottingHint(QCP::phCacheLabels, false);
    legend->setVisible(false);
    axisRect()->setAutoMargins(QCP::msNone);
    axisRect()->setMargins(QMargins(LeftMargin, TopMargin, LeftMargin, BottomMargin));
    axisRect()->setBackground(Qt::white);

    // The custom axes take the place of the standard value axes.
    yAxis->setVisible(false);
    yAxis2->setVisible(false);
    yAxis->grid()->setVisible(false);

    xAxis->setBasePen(QPen(Qt::black, 1));
    xAxis->setTickLabelColor(ChartTextColor);
    xAxis->grid()->setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::SolidLine));
    xAxis->grid()->setSubGridVisible(false);
    xAxis->setSubTicks(false);
    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TWorkingTimeTicker(
        [this](const QCPRange &Window, TWorkingTimeTicks &Ticks) { FeedTimeLabels(Window, Ticks); },
        [this] { return TimeLabelRoom(); })));
    xAxis->setRange(1, 150);

    // The capacity bars stand at position 0 of the hidden, fixed top axis.
    xAxis2->setVisible(false);
    xAxis2->setRange(-1, 1);
    FBarsGroup = new QCPBarsGroup(this);
    FBarsGroup->setSpacingType(QCPBarsGroup::stAbsolute);
    FBarsGroup->setSpacing(4);

    addLayer(BeforeDrawAxesLayer, layer(QStringLiteral("grid")), limAbove);
    addLayer(AfterDrawLayer, layer(QStringLiteral("overlay")), limAbove);
    // The opaque bars stand in front of the painted grid and behind the lines.
    addLayer(BarsLayer, layer(BeforeDrawAxesLayer), limAbove);
    FBeforeDrawAxesHook = new TChartHook(this, BeforeDrawAxesLayer, OnBeforeDrawAxes);
    FAfterDrawHook = new TChartHook(this, AfterDrawLayer, OnAfterDraw);

    connect(this, &QCustomPlot::beforeReplot, this, [this] { FitTimeAxis(); });
    // Any repaint, queued or asked for, is the one that was due.
    connect(this, &QCustomPlot::afterReplot, this, [this] {
        FRepaintDue = false;
        FLastRepaint.start();
    });
    FRepaintTimer = new QTimer(this);
    FRepaintTimer->setSingleShot(true);
    connect(FRepaintTimer, &QTimer::timeout, this, [this] { RepaintNow(); });
}

bool TKRVChart::Showing() const { return isVisible() && !window()->isMinimized(); }

void TKRVChart::QueueRepaintWithin(int Interval)
{
    FRepaintDue = true;
    if (!Showing() || FRepaintPosted)
        return;
    const double rate = screen() ? screen()->refreshRate() : 60.0;
    const auto frame = static_cast<qint64>(std::clamp(1000.0 / std::max(rate, 1.0), 1.0, 100.0));
    const qint64 wait = FLastRepaint.isValid() ? std::max<qint64>(frame, Interval) - FLastRepaint.elapsed() : 0;
    // A repaint already waiting comes no later than this one would.
    if (FRepaintTimer->isActive() && FRepaintTimer->remainingTime() <= wait)
        return;
    if (wait > 0) {
        FRepaintTimer->start(int(wait));
        return;
    }
    FRepaintTimer->stop();
    // After a quiet spell the repaint follows in the same turn of the event loop, as before.
    FRepaintPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FRepaintPosted = false;
            RepaintNow();
        },
        Qt::QueuedConnection);
}

void TKRVChart::RepaintNow()
{
    if (FRepaintDue && Showing())
        replot();
}

void TKRVChart::paintEvent(QPaintEvent *Event)
{
    // A picture of the widget, or the first paint after being hidden, shows the chart as it is.
    if (FRepaintDue) {
        FRepaintTimer->stop();
        replot(rpQueuedRefresh);
    }
    QCustomPlot::paintEvent(Event);
    if (OnPaintOverlay) {
        QPainter painter(this);
        OnPaintOverlay(painter);
    }
}

void TKRVChart::showEvent(QShowEvent *Event)
{
    QCustomPlot::showEvent(Event);
    if (window() != FWatchedWindow) {
        if (FWatchedWindow)
            FWatchedWindow->removeEventFilter(this);
        FWatchedWindow = window();
        FWatchedWindow->installEventFilter(this);
    }
    if (FRepaintDue)
        QueueRepaint();
}

bool TKRVChart::eventFilter(QObject *Watched, QEvent *Event)
{
    // Restored from the task bar: the repaints skipped while minimised are made up in one.
    if (Watched == FWatchedWindow && Event->type() == QEvent::WindowStateChange && FRepaintDue)
        QueueRepaint();
    return QCustomPlot::eventFilter(Watched, Event);
}

TKRVChart::~TKRVChart() { RemoveAllSeries(); }

TCustomAxis &TKRVChart::AddCustomAxis()
{
    TCustomAxis custom;
    custom.Axis = axisRect()->addAxis(QCPAxis::atLeft);
    // An added axis lands on the plot's current layer, above the bars; its grid belongs
    // behind everything it measures, like the standard axes' grids.
    custom.Axis->setLayer(QStringLiteral("axes"));
    custom.Axis->grid()->setLayer(QStringLiteral("grid"));
    // The widest value labels ("3000 mAh") fit beside the axis in the 60-pixel margin.
    QFont labels = font();
    labels.setPixelSize(ValueLabelPixels);
    custom.Axis->setTickLabelFont(labels);
    custom.Axis->setTickLabelColor(ChartTextColor);
    connect(custom.Axis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this, [this] {
        if (OnValueRangeChanged)
            OnValueRangeChanged();
    });
    CustomAxes.push_back(custom);
    return CustomAxes.back();
}

void TKRVChart::FreeCustomAxis(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(CustomAxes.size()))
        return;
    axisRect()->removeAxis(CustomAxes[static_cast<std::size_t>(Index)].Axis);
    CustomAxes.erase(CustomAxes.begin() + Index);
}

TChartSeries &TKRVChart::AddSeries(TChartSeries::TKind Kind, QCPAxis *ValueAxis)
{
    QCPAxis *keyAxis = Kind == TChartSeries::TKind::Bar ? xAxis2 : xAxis;
    Series.push_back(std::make_unique<TChartSeries>(this, Kind, keyAxis, ValueAxis));
    TChartSeries &series = *Series.back();
    if (TMarkedBars *bars = series.Bars()) {
        bars->setWidthType(QCPBars::wtAxisRectRatio);
        bars->setWidth(0.08);
        bars->setBarsGroup(FBarsGroup);
        bars->setLayer(BarsLayer);
    }
    return series;
}

void TKRVChart::RemoveAllSeries()
{
    // New series begin a new recording.
    StepClock.Clear();
    for (std::vector<TChartSeries *> &group : SeriesGroups)
        group.clear();
    Series.clear();
}

QMargins TKRVChart::Margins() const { return axisRect()->margins(); }

void TKRVChart::SetMargins(int Left, int Right)
{
    QMargins margins = axisRect()->margins();
    margins.setLeft(Left);
    margins.setRight(Right);
    if (axisRect()->margins() != margins)
        axisRect()->setMargins(margins);
}

void TKRVChart::SetTimeAutoScale(bool On) { FTimeAutoScale = On; }

void TKRVChart::SetTimeRange(double Lower, double Upper)
{
    FTimeAutoScale = false;
    xAxis->setRange(Lower, Upper);
}

void TKRVChart::FitTimeAxis()
{
    if (!FTimeAutoScale)
        return;
    bool found = false;
    QCPRange all;
    for (const std::unique_ptr<TChartSeries> &series : Series) {
        if (!series->Graph() || series->PointCount() == 0)
            continue;
        bool ok = false;
        const QCPRange keys = series->Graph()->getKeyRange(ok);
        if (!ok)
            continue;
        all = found ? QCPRange(qMin(all.lower, keys.lower), qMax(all.upper, keys.upper)) : keys;
        found = true;
    }
    if (!found)
        return;
    if (all.size() <= 0)
        all = QCPRange(all.lower - 1, all.upper + 1);
    xAxis->setRange(all);
}

QString TKRVChart::TimeLabelAt(double Key) const
{
    const TChartSeries *fallback = nullptr;
    for (const std::unique_ptr<TChartSeries> &series : Series) {
        if (!series->Graph() || series->PointCount() == 0)
            continue;
        if (!fallback)
            fallback = series.get();
        if (!series->Active())
            continue;
        std::uint32_t minutes = 0;
        if (series->MinutesAt(Key, minutes))
            return WorkingTimeLabel(minutes);
    }
    std::uint32_t minutes = 0;
    if (fallback && fallback->MinutesAt(Key, minutes))
        return WorkingTimeLabel(minutes);
    return {};
}

const TChartSeries *TKRVChart::TimeLabelSeries(const QCPRange &Window) const
{
    const auto inWindow = [&Window](const TChartSeries &Series) {
        if (!Series.Graph() || Series.PointCount() == 0)
            return false;
        const auto data = Series.Graph()->data();
        const auto first = data->findBegin(Window.lower, false);
        return first != data->constEnd() && first->key <= Window.upper;
    };
    const TChartSeries *fallback = nullptr;
    for (const std::unique_ptr<TChartSeries> &series : Series) {
        if (!inWindow(*series))
            continue;
        if (series->Active())
            return series.get();
        if (!fallback)
            fallback = series.get();
    }
    return fallback;
}

void TKRVChart::FeedTimeLabels(const QCPRange &Window, TWorkingTimeTicks &Ticks) const
{
    if (const TChartSeries *series = TimeLabelSeries(Window))
        series->FeedMinutes(Window, Ticks);
}

int TKRVChart::TimeLabelRoom() const
{
    // A label and a gap as wide again per tick.
    const QFontMetrics metrics(xAxis->tickLabelFont());
    const int label = std::max(1, metrics.horizontalAdvance(WorkingTimeLabel(0)));
    return std::max(1, axisRect()->width() / (2 * label));
}
