#pragma once
// The receiving side of the main window: each decoded channel frame becomes chart points,
// the latest values of the channel's data box row and one export line.
#include "ChannelRows.h"
#include "ChartBuilder.h"
#include "ExportLines.h"
#include "charger/KRVCharger.h"

#include <functional>

class TKRVChart;
class QWidget;

class TSampleFeeder
{
public:
    TSampleFeeder(TKRVChart &Chart, TChannelRows &Rows, TExportLines &ExportLines,
                  const TValueTokenList &AxisValueTokens, QWidget *Owner);
    ~TSampleFeeder();
    TSampleFeeder(const TSampleFeeder &) = delete;
    TSampleFeeder &operator=(const TSampleFeeder &) = delete;

    // Set by the main window: the time window and the status bar.
    std::function<void(std::int64_t Delta)> UpdateChartScroll;
    std::function<void(TLinkState State, bool Force)> UpdatePortStatePanel;
    std::function<void()> UpdateTotalFrameCount;
    std::function<void()> UpdateLostFrameCount;
    // The data box repaints once per row update.
    std::function<void(int ChannelIndex)> RowChanged;

    // Flag 1: the values are valid; 2: a new sample step began; 3: both.
    void ChargerReceiveData(TKRVChannel *Sender, std::int32_t Flag);
    void AddChannelSamples(TKRVChannel *Channel, bool AppendValues);
    void UpdateChannelRow(TKRVChannel *Channel);
    static QString WorkingTimeText(const TKRVChannel *Channel);
    // Asks first; on OK empties the counters, the series and the export lines and is true.
    bool actClearDataExecute(TKRVCharger &Charger);
    // While a kept recording is read back the status bar, the scroll and the data box are left
    // alone; the window brings them up to date once at its end.
    bool Quiet = false;

    // Sample step minus the largest X on the time axis (the shown series, or all when none
    // is shown).
    std::int64_t NewStepDelta(const TKRVCharger &Charger) const;

private:
    void AppendExportLine(const TChannelRow &Row, std::uint32_t Step);
    void Call(const std::function<void()> &Handler)
    {
        if (Handler)
            Handler();
    }

    TKRVChart &FChart;
    TChannelRows &FRows;
    TExportLines &FExportLines;
    const TValueTokenList &FAxisValueTokens;
    QWidget *FOwner = nullptr;
};
