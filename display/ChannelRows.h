#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The data box record of one charger channel: the latest values, the channel's state at the
// last update and the user's description. Rows start checked: the channel's lines are shown.
struct TChannelRow {
    std::int32_t ChannelIndex = 0;
    std::uint8_t State = 1;
    QString Description;
    std::uint16_t Voltage = 0;
    std::uint16_t Current = 0;
    std::uint16_t WorkingTime = 0;
    std::uint16_t Capacity = 0;
    bool Checked = true;
};

using TChannelRows = std::vector<TChannelRow>;

// One row per channel, in channel order, with empty descriptions.
void BuildChannelRows(TChannelRows &Rows, int ChannelCount);
// The row of the channel, or none.
TChannelRow *FindChannelRow(TChannelRows &Rows, int ChannelIndex);
