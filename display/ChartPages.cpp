#include "ChartPages.h"

#include "AxisPainter.h"
#include "ChartGestures.h"
#include "KRVChart.h"
#include "charger/KRVCharger.h"
#include "resources/Texts.h"
#include "settings/ChartSettings.h"
#include "settings/Constant.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace {

std::size_t KindIndex(TValueToken Kind) { return static_cast<std::size_t>(Kind); }

// Inserts Action into the actions of a menu or toolbar right after Anchor + Offset places.
void InsertAfter(QWidget *Container, QAction *Anchor, int Offset, QAction *Action)
{
    const QList<QAction *> actions = Container->actions();
    const qsizetype at = actions.indexOf(Anchor);
    const qsizetype before = at < 0 ? actions.size() : at + Offset + 1;
    Container->insertAction(before < actions.size() ? actions[before] : nullptr, Action);
}

} // namespace

TChartPages::TChartPages(TKRVChart &Chart, TKRVCharger &Charger, TChannelRows &Rows,
                         const TValueTokenList &AxisValueTokens, QTabBar *Tabs, QScrollBar *ScrollBar,
                         QWidget *ActionOwner)
    : QObject(ActionOwner), FChart(Chart), FCharger(Charger), FRows(Rows), FAxisValueTokens(AxisValueTokens),
      FTabs(Tabs), FScrollBar(ScrollBar), FActionOwner(ActionOwner), FScroll(ScrollBar)
{
    FScroll.SetPageSize(0);
    connect(FTabs, &QTabBar::currentChanged, this, [this](int Index) { tsTabPageChange(Index); });
    // Axis ranges change with the options; the labels' room follows them.
    FChart.OnValueRangeChanged = [pages = QPointer<TChartPages>(this)] {
        if (pages)
            pages->FitMargins();
    };
    connect(FScrollBar, &QScrollBar::valueChanged, this, [this](int Value) { scrlbrChartScroll(Value); });
    FGestures = new TChartGestures(FChart, *this);
}

void TChartPages::BuildPageCommands(QMenu *ChartMenu, QToolBar *ChartToolbar)
{
    // Automatic scrolling switched on again after a gesture is the way back to live.
    connect(actAutoScroll, &QAction::toggled, this, [this](bool On) {
        if (On && FView.Moved())
            BackToLive();
    });
    {
        // Filling the tabs is no page switch.
        const QSignalBlocker blocker(FTabs);
        while (FTabs->count() > 0)
            FTabs->removeTab(FTabs->count() - 1);
        FTabs->addTab(LoadStr(TTextId::AllLinesTab));
        for (TValueToken kind : FAxisValueTokens)
            FTabs->addTab(ValueTokenNames[KindIndex(kind)]);
    }

    for (TValueToken kind : FAxisValueTokens) {
        auto *action = new QAction(FActionOwner);
        action->setText(ValueTokenCaptions[KindIndex(kind)]);
        action->setCheckable(true);
        action->setProperty(ActionCategoryProperty, actShowAllLine->property(ActionCategoryProperty));
        if (actShowAllLine->actionGroup())
            actShowAllLine->actionGroup()->addAction(action);
        action->setData(static_cast<int>(kind));
        action->setIcon(LoadAppIcon(ValueTokenImages[KindIndex(kind)]));
        action->setShortcut(QKeySequence::fromString(ValueTokenShortcuts[KindIndex(kind)]));
        connect(action, &QAction::triggered, this, [this, action] { ShowPageExecute(action); });
        FActionOwner->addAction(action);
    }

    for (std::size_t i = 0; i < FAxisValueTokens.size(); ++i) {
        QAction *action = FindPageAction(FAxisValueTokens[i]);
        if (!action)
            continue;
        if (ChartMenu)
            InsertAfter(ChartMenu, actShowAllLine, static_cast<int>(i), action);
    }
    for (std::size_t i = 0; i < FAxisValueTokens.size(); ++i) {
        QAction *action = FindPageAction(FAxisValueTokens[i]);
        if (!action || !ChartToolbar)
            continue;
        InsertAfter(ChartToolbar, actShowAllLine, static_cast<int>(i), action);
        // The toolbar button says what the page shows.
        action->setToolTip(ValueTokenHints[KindIndex(FAxisValueTokens[i])]);
    }
}

QAction *TChartPages::FindPageAction(TValueToken Kind) const
{
    const QList<QAction *> actions = FActionOwner->actions();
    const QVariant category = actShowAllLine->property(ActionCategoryProperty);
    for (qsizetype i = actions.size() - 1; i >= 0; --i) {
        QAction *action = actions[i];
        if (action->property(ActionCategoryProperty) == category && action->data().toInt() == static_cast<int>(Kind))
            return action;
    }
    return nullptr;
}

int TChartPages::PageOfToken(TValueToken Kind) const
{
    const auto at = std::find(FAxisValueTokens.begin(), FAxisValueTokens.end(), Kind);
    return at == FAxisValueTokens.end() ? 0 : static_cast<int>(at - FAxisValueTokens.begin()) + 1;
}

void TChartPages::ShowPageExecute(QAction *Sender)
{
    FTabs->setCurrentIndex(PageOfToken(static_cast<TValueToken>(Sender->data().toInt())));
}

void TChartPages::actShowUnLoadVoltageExecute(QAction *Sender) { FTabs->setCurrentIndex(Sender->data().toInt()); }

TCustomAxis *TChartPages::CurrentAxis() const
{
    if (FCurrentAxis < 0 || FCurrentAxis >= static_cast<int>(FChart.CustomAxes.size()))
        return nullptr;
    return &FChart.CustomAxes[static_cast<std::size_t>(FCurrentAxis)];
}

void TChartPages::tsTabPageChange(int NewTab)
{
    for (TCustomAxis &custom : FChart.CustomAxes) {
        custom.Axis->setVisible(false);
        custom.Axis->grid()->setVisible(false);
    }
    for (const std::unique_ptr<TChartSeries> &series : FChart.Series)
        series->SetActive(false);

    if (NewTab <= 0) {
        FCurrentAxis = FChart.CustomAxes.empty() ? -1 : 0;
        for (std::size_t i = 0; i < FChart.SeriesGroups.size(); ++i)
            ShowAxisSeries(static_cast<int>(i), i == 1 || i == 2);
        actShowAllLine->setChecked(true);
    } else {
        FCurrentAxis = NewTab - 1;
        ShowAxisSeries(NewTab - 1, false);
        if (NewTab - 1 < static_cast<int>(FAxisValueTokens.size()))
            if (QAction *action = FindPageAction(FAxisValueTokens[static_cast<std::size_t>(NewTab - 1)]))
                action->setChecked(true);
    }
    FitMargins();
    Repaint();
    if (RunShow)
        RunShow();
}

void TChartPages::FitMargins()
{
    // The page's own axis is drawn at the left; with all lines the current axis is painted at
    // the right edge with its labels outside, so the right margin equals the left one.
    const TCustomAxis *current = CurrentAxis();
    const int left = std::max(TKRVChart::LeftMargin, current ? ValueLabelRoom(current->Axis) : 0);
    int right = TKRVChart::PageRightMargin;
    if (FTabs->currentIndex() <= 0) {
        right = left;
        if (FChart.CustomAxes.size() > 1)
            right = std::max(right, ValueLabelRoom(FChart.CustomAxes[1].Axis));
    }
    FChart.SetMargins(left, right);
}

void TChartPages::ShowAxisSeries(int AxisIndex, bool OtherSide)
{
    if (AxisIndex < 0 || AxisIndex >= static_cast<int>(FChart.CustomAxes.size()))
        return;
    TCustomAxis &custom = FChart.CustomAxes[static_cast<std::size_t>(AxisIndex)];
    const bool current = AxisIndex == FCurrentAxis;
    custom.Axis->setVisible(current);
    custom.Axis->grid()->setVisible(current);
    custom.OtherSide = OtherSide;
    if (AxisIndex >= static_cast<int>(FChart.SeriesGroups.size()))
        return;
    const std::vector<TChartSeries *> &group = FChart.SeriesGroups[static_cast<std::size_t>(AxisIndex)];
    for (const TChannelRow &row : FRows) {
        if (row.ChannelIndex < 0 || row.ChannelIndex >= static_cast<int>(group.size()))
            return;
        group[static_cast<std::size_t>(row.ChannelIndex)]->SetActive(row.Checked);
    }
}

void TChartPages::UpdateChartScroll(std::int64_t Delta)
{
    const std::int64_t steps = FCharger.SampleCount();
    // A cleared or new recording starts on the paging rules.
    if (steps < FScrolledSteps) {
        FView.Cursor.reset();
        if (FView.Moved())
            ForgetGestures();
    }
    const std::int64_t page = ViewSamples();
    const bool allow = actAllowScrollChart->isChecked();
    const int total = static_cast<int>(std::min<std::int64_t>(std::max(steps, page), INT32_MAX));
    FScroll.SetMax(total);

    if (Delta <= 0) {
        FScroll.SetPosition(static_cast<int>(total - page));
    } else if (page < steps && actAutoScroll->isChecked()) {
        // The view moves along by the steps counted since the last update, not by the steps
        // since the last point: after a charge ends or past skipped frames it would run past
        // the data. It never passes the newest step.
        const std::int64_t moved = std::max<std::int64_t>(0, steps - FScrolledSteps);
        FScroll.SetPosition(static_cast<int>(std::min<std::int64_t>(FScroll.Position() + moved, total - page)));
    }
    FScrolledSteps = steps;
    LayOut(steps, page, allow, Delta > 0);
}

void TChartPages::LayOut(std::int64_t Steps, std::int64_t Page, bool Allow, bool NewData)
{
    if (Page >= Steps) {
        if (!Allow)
            FScroll.SetPosition(0);
        FScroll.SetEnabled(false);
    } else if (Allow) {
        FScroll.SetPageSize(static_cast<int>(std::min<std::int64_t>(Page + 1, INT32_MAX)));
        FScroll.SetLargeChange(static_cast<int>(std::min<std::int64_t>(Page, INT32_MAX)));
        FScroll.SetMin(1);
        FScroll.SetEnabled(true);
    }

    if (Allow)
        FChart.SetTimeRange(std::max(1, FScroll.Position()), double(FScroll.Position()) + double(Page));
    else
        FChart.SetTimeAutoScale(true);
    if (NewData)
        FChart.QueueDataRepaint();
    else
        FChart.QueueRepaint();
}

void TChartPages::scrlbrChartScroll(int ScrollPos)
{
    const std::int64_t page = ViewSamples();
    FScroll.SetPosition(static_cast<int>(std::min<std::int64_t>(FScroll.Max() - page, ScrollPos)));
    // The view starts where the thumb was held, also when the bar clamped the position.
    const int pos = FScroll.Position();
    FChart.SetTimeRange(pos, double(pos) + double(page));
    FChart.QueueRepaint();
}

std::int64_t TChartPages::Steps() const { return FCharger.SampleCount(); }

void TChartPages::ZoomTime(double Anchor, double Factor)
{
    if (!actAllowScrollChart->isChecked())
        return;
    const std::int64_t steps = FCharger.SampleCount();
    const std::int64_t widest = std::max<std::int64_t>(steps, PageSamples);
    const TChartView::TWindow view{static_cast<std::int64_t>(FChart.TimeAxis()->range().lower), ViewSamples()};
    const TChartView::TWindow zoomed = TChartView::ZoomAround(view, Anchor, Factor, widest, std::max(steps, widest));
    if (zoomed == view)
        return;
    FView.SetZoom(zoomed.Width);
    const std::int64_t total = std::max(steps, zoomed.Width);
    FScroll.SetMax(static_cast<int>(std::min<std::int64_t>(total, INT32_MAX)));
    if (zoomed.Width < steps) {
        FScroll.SetMin(1);
        FScroll.SetPosition(static_cast<int>(zoomed.First));
    } else {
        FScroll.SetPosition(static_cast<int>(total - zoomed.Width));
    }
    LayOut(steps, zoomed.Width, true);
}

void TChartPages::PanTo(double First)
{
    if (!actAllowScrollChart->isChecked() || ViewSamples() >= std::int64_t(FCharger.SampleCount()))
        return;
    FView.SetPanned();
    actAutoScroll->setChecked(false);
    scrlbrChartScroll(static_cast<int>(std::clamp<double>(std::round(First), FScroll.Min(), FScroll.Max())));
}

void TChartPages::ZoomValue(double Anchor, double Factor)
{
    TCustomAxis *current = CurrentAxis();
    if (!current)
        return;
    FView.KeepValueRange(FCurrentAxis, current->Axis->range());
    const QCPRange kept = FView.ValueRanges().at(FCurrentAxis);
    // Between a hundredth and a hundred times the range the axis had.
    const double span = current->Axis->range().size() * Factor;
    if (span < kept.size() / 100 || span > kept.size() * 100)
        return;
    current->Axis->setRange(TChartView::ZoomValue(current->Axis->range(), Anchor, Factor));
    FChart.QueueRepaint();
}

void TChartPages::ForgetGestures()
{
    for (const auto &[index, range] : FView.ValueRanges())
        if (index >= 0 && index < static_cast<int>(FChart.CustomAxes.size()))
            FChart.CustomAxes[static_cast<std::size_t>(index)].Axis->setRange(range);
    FView.Reset();
}

void TChartPages::BackToLive()
{
    ForgetGestures();
    if (actAutoScroll->isEnabled())
        actAutoScroll->setChecked(true);
    UpdateChartScroll(0);
}

void TChartPages::actAllowScrollChartExecute()
{
    ForgetGestures();
    actAutoScroll->setEnabled(actAllowScrollChart->isChecked());
    UpdateChartScroll(0);
}

void TChartPages::SetPageWidth(std::uint16_t Minutes)
{
    if (FCharger.FrameMode() == fmUnknown)
        return;
    PageSamples = MinutesToSamples(Minutes);
}

void TChartPages::actShowLegendExecute() { Repaint(); }

void TChartPages::vstChannelInfoChecked(int RowIndex)
{
    if (RowIndex < 0 || RowIndex >= static_cast<int>(FRows.size()))
        return;
    const TChannelRow &row = FRows[static_cast<std::size_t>(RowIndex)];
    const int tab = FTabs->currentIndex();
    for (std::size_t i = 0; i < FChart.SeriesGroups.size(); ++i) {
        const std::vector<TChartSeries *> &group = FChart.SeriesGroups[i];
        if (row.ChannelIndex < 0 || row.ChannelIndex >= static_cast<int>(group.size()))
            continue;
        group[static_cast<std::size_t>(row.ChannelIndex)]->SetActive(row.Checked &&
                                                                     (tab == 0 || tab == static_cast<int>(i) + 1));
    }
    Repaint();
}

void TChartPages::Repaint()
{
    FChart.QueueRepaint();
    if (RepaintDataBox)
        RepaintDataBox();
}
