#include "SampleFeeder.h"

#include "ChartTickers.h"
#include "KRVChart.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <cmath>
#include <stdexcept>

TSampleFeeder::TSampleFeeder(TKRVChart &Chart, TChannelRows &Rows, TExportLines &ExportLines,
                             const TValueTokenList &AxisValueTokens, QWidget *Owner)
    : FChart(Chart), FRows(Rows), FExportLines(ExportLines), FAxisValueTokens(AxisValueTokens), FOwner(Owner)
{
    // The read-out finds the capacities of a step among the recorded updates.
    FChart.Records = &FExportLines;
}

TSampleFeeder::~TSampleFeeder() { FChart.Records = nullptr; }

std::int64_t TSampleFeeder::NewStepDelta(const TKRVCharger &Charger) const
{
    double shownMax = 0;
    double allMax = 0;
    bool anyShown = false;
    for (const std::unique_ptr<TChartSeries> &series : FChart.Series) {
        if (!series->Graph())
            continue;
        const double x = series->MaxX();
        allMax = std::max(allMax, x);
        if (series->Active()) {
            anyShown = true;
            shownMax = std::max(shownMax, x);
        }
    }
    const double largest = anyShown ? shownMax : allMax;
    return static_cast<std::int64_t>(Charger.SampleCount()) - static_cast<std::int64_t>(std::trunc(largest));
}

void TSampleFeeder::ChargerReceiveData(TKRVChannel *Sender, std::int32_t Flag)
{
    if (!Sender)
        return;
    TKRVCharger *charger = Sender->GetCharger();
    const bool appendValues = Flag == 1 || Flag == 3;
    const bool newStep = Flag == 2 || Flag == 3;
    const std::int64_t delta = newStep ? NewStepDelta(*charger) : 0;
    if (!FChart.StepClock.Knows(charger->SampleCount()))
        FChart.StepClock.Record(charger->SampleCount(), QDateTime::currentMSecsSinceEpoch());

    AddChannelSamples(Sender, appendValues);
    UpdateChannelRow(Sender);
    if (Quiet)
        return;

    auto updateStatus = [&] {
        if (UpdatePortStatePanel)
            UpdatePortStatePanel(charger->LinkState(), true);
        Call(UpdateTotalFrameCount);
        Call(UpdateLostFrameCount);
    };
    auto scroll = [&] {
        if (UpdateChartScroll)
            UpdateChartScroll(delta);
    };
    if (charger->FrameMode() == fmSingle) {
        updateStatus();
        if (newStep)
            scroll();
    } else if (newStep) {
        scroll();
        updateStatus();
    }
}

void TSampleFeeder::AddChannelSamples(TKRVChannel *Channel, bool AppendValues)
{
    const std::uint32_t step = Channel->GetCharger()->SampleCount();
    bool changed = false;
    for (std::size_t i = 0; i < FAxisValueTokens.size(); ++i) {
        const TValueToken kind = FAxisValueTokens[i];
        try {
            if (i >= FChart.SeriesGroups.size())
                throw std::out_of_range("no series group");
            const std::vector<TChartSeries *> &group = FChart.SeriesGroups[i];
            const auto position = static_cast<std::size_t>(Channel->Index());
            if (position >= group.size())
                throw std::out_of_range("no series for the channel");
            TChartSeries &series = *group[position];
            if (!AppendValues)
                continue;
            const bool working = Channel->State == csWorking;
            if (kind == vtCapacity) {
                series.SetBarValue(Channel->GetValue(vtCapacity));
                series.SetMarksVisible(series.BarValue() > 0 || working);
                changed = true;
            } else if (working) {
                const double value = Channel->GetValue(kind);
                series.AddPoint(step, kind == vtUnLoadVoltage ? value / 1000.0 : value,
                                Channel->GetValue(vtWorkingTime));
                changed = true;
            }
        } catch (const std::exception &) {
            ShowWarning(
                FOwner,
                FormatText(LoadStr(TTextId::CurveAccessError), {static_cast<long long>(Channel->Index()) + 1,
                                                                ValueTokenNames[static_cast<std::size_t>(kind)]}),
                LoadStr(TTextId::AppTitle));
        }
    }
    if (changed)
        FChart.QueueDataRepaint();
}

QString TSampleFeeder::WorkingTimeText(const TKRVChannel *Channel)
{
    return WorkingTimeLabel(Channel->GetValue(vtWorkingTime));
}

void TSampleFeeder::UpdateChannelRow(TKRVChannel *Channel)
{
    TChannelRow *row = FindChannelRow(FRows, Channel->Index());
    if (!row)
        return;
    row->State = static_cast<std::uint8_t>(Channel->State);
    row->Voltage = Channel->GetValue(vtUnLoadVoltage);
    row->Current = Channel->GetValue(vtCurrent);
    row->WorkingTime = Channel->GetValue(vtWorkingTime);
    row->Capacity = Channel->GetValue(vtCapacity);
    AppendExportLine(*row, Channel->GetCharger()->SampleCount());
    if (RowChanged && !Quiet)
        RowChanged(row->ChannelIndex);
}

void TSampleFeeder::AppendExportLine(const TChannelRow &Row, std::uint32_t Step)
{
    FExportLines.Append(Step, Row.ChannelIndex + 1, Row.Voltage, Row.Current, Row.WorkingTime, Row.Capacity);
}

bool TSampleFeeder::actClearDataExecute(TKRVCharger &Charger)
{
    if (AskOkCancel(FOwner, LoadStr(TTextId::ClearDataQuestion), LoadStr(TTextId::AppTitle)) != IdOk)
        return false;
    Charger.ResetLink();
    Call(UpdateTotalFrameCount);
    Call(UpdateLostFrameCount);
    for (const std::unique_ptr<TChartSeries> &series : FChart.Series)
        series->Clear();
    FExportLines.Clear();
    FChart.StepClock.Clear();
    if (UpdateChartScroll)
        UpdateChartScroll(0);
    for (TChannelRow &row : FRows)
        row.State = 1;
    FChart.QueueRepaint();
    if (RowChanged)
        RowChanged(-1);
    return true;
}
