#pragma once
// Builds the chart's custom axes, series groups and series from the settings store, in the
// order that numbers the stored values: axis by axis, and within an axis channel by channel.
#include "charger/ValueToken.h"

#include <QString>

#include <vector>

class TKRVChart;
class QWidget;

using TValueTokenList = std::vector<TValueToken>;

// The value kinds that get a custom axis, a chart page and a series group, in axis order;
// built when the main window is created.
extern TValueTokenList AxisValueTokens;

// "#0.000 V", "#0 mA", "#0 mAh"; empty for kinds without an axis.
QString AxisLabelFormat(TValueToken Kind);

// Removes all groups and axes, then one custom axis and one group per kind, with the stored
// ranges. An axis that cannot be configured is left out without a word.
void BuildAxes(TKRVChart &Chart, const TValueTokenList &AxisValueTokens);
void FreeAxes(TKRVChart &Chart);

// Removes all series, then one per (axis, channel) with the stored pens; a series that
// cannot be built is reported with the axis access warning owned by Owner. Series are
// active on the all-lines tab (0) and on their own axis's tab.
void BuildSeries(TKRVChart &Chart, const TValueTokenList &AxisValueTokens, int ChannelCount, int SelectedTab,
                 QWidget *Owner);
void FreeSeries(TKRVChart &Chart);
