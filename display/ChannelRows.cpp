#include "ChannelRows.h"

void BuildChannelRows(TChannelRows &Rows, int ChannelCount)
{
    Rows.clear();
    for (int i = 0; i < ChannelCount; ++i) {
        TChannelRow row;
        row.ChannelIndex = i;
        Rows.push_back(row);
    }
}

TChannelRow *FindChannelRow(TChannelRows &Rows, int ChannelIndex)
{
    for (TChannelRow &row : Rows)
        if (row.ChannelIndex == ChannelIndex)
            return &row;
    return nullptr;
}
