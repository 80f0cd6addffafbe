#pragma once

#include "ChartSeries.h"
#include "StepClock.h"

#include <qcustomplot.h>

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <vector>

// A value axis of the chart's own, one per measured value kind. The chart draws it only
// while it is visible; the painted decorations draw the hidden ones of the all-lines page.
struct TCustomAxis {
    QCPAxis *Axis = nullptr;
    QString Caption;     // the value kind's name; series titles take it
    QString LabelFormat; // "#0.000 V", "#0 mA", "#0 mAh"
    bool OtherSide = false;
    // Labels also at the two ends of the axis; off, only the ticks between them are labelled.
    bool LabelsOnAxis = true;
};

// Text on the chart's fixed white background is dark whatever the desktop's palette.
inline const QColor ChartTextColor{Qt::black};

class QTimer;
class TChartHook;
class TExportLines;
class TWorkingTimeTicks;

// The measurement chart: no built-in title, legend or standard value axes; custom value
// axes, series groups (one per axis, a series per channel), line series on the bottom time
// axis and bar series on the hidden top axis. Fixed margins; repaints are queued so that
// many new points cost one repaint, at most one per screen refresh, none while hidden.
class TKRVChart : public QCustomPlot
{
public:
    static constexpr int LeftMargin = 60;
    static constexpr int TopMargin = 120;
    static constexpr int BottomMargin = 20;
    static constexpr int PageRightMargin = 16;
    static constexpr int ValueLabelPixels = 11;

    explicit TKRVChart(QWidget *Parent = nullptr);
    ~TKRVChart() override;

    QCPAxis *TimeAxis() const { return xAxis; }
    QCPAxis *BarAxis() const { return xAxis2; }

    // Custom axes, in axis order.
    std::vector<TCustomAxis> CustomAxes;
    TCustomAxis &AddCustomAxis();
    void FreeCustomAxis(int Index);

    // Series groups hold the series of one axis in channel order; Series holds them all in
    // series order and owns them.
    std::vector<std::vector<TChartSeries *>> SeriesGroups;
    std::vector<std::unique_ptr<TChartSeries>> Series;
    TChartSeries &AddSeries(TChartSeries::TKind Kind, QCPAxis *ValueAxis);
    void RemoveAllSeries();

    QMargins Margins() const;
    void SetMargins(int Left, int Right);

    // Automatic scaling of the time axis: it fits all points at every repaint.
    void SetTimeAutoScale(bool On);
    bool TimeAutoScale() const { return FTimeAutoScale; }
    void SetTimeRange(double Lower, double Upper);

    // A repaint soon: at most once per screen refresh, and not while the chart is hidden or
    // its window minimised (it catches up when shown again).
    void QueueRepaint() { QueueRepaintWithin(0); }
    // The same for new data: at most DataRepaintsPerSecond times a second, so that a charger
    // streaming at line rate costs little; a real charger's frame a second is shown at once.
    static constexpr int DataRepaintsPerSecond = 10;
    void QueueDataRepaint() { QueueRepaintWithin(1000 / DataRepaintsPerSecond); }
    bool RepaintDue() const { return FRepaintDue; }

    // When each sample step began, and the recorded channel updates (the export lines, set by
    // the feeding), for the read-out.
    TStepClock StepClock;
    const TExportLines *Records = nullptr;

    // Painted over the chart on screen only, never into pictures: the read-out cursor.
    std::function<void(QPainter &)> OnPaintOverlay;

    // A custom axis's range changed (built, or edited in the options).
    std::function<void()> OnValueRangeChanged;

    // Painting of the chart's own decorations, on screen and into pictures alike. The first
    // runs after the grid lines and before the series and the axes are drawn, the second
    // after everything else. Both paint clipped to the chart's client rectangle; the
    // painter's state is restored after each, also when one throws.
    std::function<void(QCPPainter *)> OnBeforeDrawAxes;
    std::function<void(QCPPainter *)> OnAfterDraw;

    // The plot area inside the margins.
    QRect PlotRect() const { return axisRect()->rect(); }

    // The working time of the point drawn at Key on the time axis, taken from the shown line
    // series; empty where no point is.
    QString TimeLabelAt(double Key) const;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    bool Showing() const;
    // A repaint no sooner than Interval ms after the last one, nor within a screen refresh.
    void QueueRepaintWithin(int Interval);
    void RepaintNow();
    void FitTimeAxis();
    // The line whose working times label the window: the first shown one with a point in it,
    // else the first one with a point in it.
    const TChartSeries *TimeLabelSeries(const QCPRange &Window) const;
    void FeedTimeLabels(const QCPRange &Window, TWorkingTimeTicks &Ticks) const;
    int TimeLabelRoom() const;

    QCPBarsGroup *FBarsGroup = nullptr;
    TChartHook *FBeforeDrawAxesHook = nullptr;
    TChartHook *FAfterDrawHook = nullptr;
    bool FTimeAutoScale = false;
    bool FRepaintDue = false;
    bool FRepaintPosted = false;
    QTimer *FRepaintTimer = nullptr;
    QElapsedTimer FLastRepaint;
    QObject *FWatchedWindow = nullptr;
};
