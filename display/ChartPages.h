#pragma once
// The chart pages (all lines, then one page per axis kind), their tabs and commands, the
// time window with its scroll bar, and which lines are drawn.
#include "ChannelRows.h"
#include "ChartBuilder.h"
#include "ChartScroll.h"
#include "ChartView.h"

#include <QObject>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QScrollBar;
class QTabBar;
class QToolBar;
class QWidget;
class TKRVChart;
class TKRVCharger;
class TChartGestures;
struct TCustomAxis;

// The dynamic property that holds an action's category ("File", "Chart", ...).
inline constexpr char ActionCategoryProperty[] = "category";

class TChartPages : public QObject
{
public:
    TChartPages(TKRVChart &Chart, TKRVCharger &Charger, TChannelRows &Rows, const TValueTokenList &AxisValueTokens,
                QTabBar *Tabs, QScrollBar *ScrollBar, QWidget *ActionOwner);

    // The main window's commands that the pages follow and check.
    QAction *actShowAllLine = nullptr;
    QAction *actShowLegend = nullptr;
    QAction *actAllowScrollChart = nullptr;
    QAction *actAutoScroll = nullptr;
    // The data box repaints with the chart; the window fits itself after a page switch.
    std::function<void()> RepaintDataBox;
    std::function<void()> RunShow;

    // Page width in sample steps.
    std::uint32_t PageSamples = 150;

    void BuildPageCommands(QMenu *ChartMenu, QToolBar *ChartToolbar);
    QAction *FindPageAction(TValueToken Kind) const;
    int PageOfToken(TValueToken Kind) const;
    void ShowPageExecute(QAction *Sender);
    void actShowUnLoadVoltageExecute(QAction *Sender);
    void tsTabPageChange(int NewTab);
    void ShowAxisSeries(int AxisIndex, bool OtherSide);
    // The page's margins: 60 pixels left, 60 right with all lines and 16 on the other pages,
    // widened where the value labels beside the plot need more in the real font metrics.
    void FitMargins();
    void UpdateChartScroll(std::int64_t Delta);
    void scrlbrChartScroll(int ScrollPos);
    void actAllowScrollChartExecute();
    void SetPageWidth(std::uint16_t Minutes);
    void actShowLegendExecute();
    void vstChannelInfoChecked(int RowIndex);

    // The view on top of the paging rules: zoomed with the wheel, panned by dragging, back to
    // the stored page width at the newest step by BackToLive.
    const TChartView &View() const { return FView; }
    TChartView &View() { return FView; }
    // Width of the view in steps: the page width unless zoomed.
    std::int64_t ViewSamples() const { return FView.Width(PageSamples); }
    // Zooms the time axis by Factor around the step Anchor, within one minute and the whole
    // recording; only while the chart scrolls (otherwise the axis fits all points).
    void ZoomTime(double Anchor, double Factor);
    // The view starts at First, as when the scroll bar is moved, and automatic scrolling ends.
    void PanTo(double First);
    // Zooms the current page's value axis by Factor around Anchor.
    void ZoomValue(double Anchor, double Factor);
    // The paging rules again: stored page width, value ranges as they were, automatic
    // scrolling on, the newest step in view.
    void BackToLive();

    int CurrentAxisIndex() const { return FCurrentAxis; }
    TCustomAxis *CurrentAxis() const;
    void SetCurrentAxis(int AxisIndex) { FCurrentAxis = AxisIndex; }
    const TChartScroll &Scroll() const { return FScroll; }
    QTabBar *Tabs() const { return FTabs; }
    const TChannelRows &Rows() const { return FRows; }
    std::int64_t Steps() const;

private:
    void Repaint();
    // The view back on the paging rules, the value axes at their ranges before the zoom.
    void ForgetGestures();
    // Scroll bar and time axis for the view width Page at the present position.
    void LayOut(std::int64_t Steps, std::int64_t Page, bool Allow, bool NewData = false);

    TKRVChart &FChart;
    TKRVCharger &FCharger;
    TChannelRows &FRows;
    const TValueTokenList &FAxisValueTokens;
    QTabBar *FTabs = nullptr;
    QScrollBar *FScrollBar = nullptr;
    QWidget *FActionOwner = nullptr;
    TChartScroll FScroll;
    std::int64_t FScrolledSteps = 0; // the step count at the last scroll update
    int FCurrentAxis = -1;
    TChartView FView;
    TChartGestures *FGestures = nullptr;
};
