#include "ExportLines.h"

#include <cstdio>

const QByteArray TExportLines::HeaderLine = QByteArrayLiteral("Idx,#,V,mA,C,min,mAh");

void TExportLines::Append(std::uint32_t Step, int ChannelNumber, std::uint16_t MilliVolts, std::uint16_t MilliAmps,
                          std::uint16_t Minutes, std::uint16_t MilliAmpHours)
{
    FRecords.push_back({Step, MilliVolts, MilliAmps, Minutes, MilliAmpHours, static_cast<std::uint8_t>(ChannelNumber)});
}

void TExportLines::Clear()
{
    FRecords.clear();
    FRecords.shrink_to_fit();
}

QByteArray TExportLines::VoltsText(std::uint16_t MilliVolts)
{
    // Whole centivolts, rounded half up, so the text never depends on binary fractions.
    const unsigned centi = (MilliVolts + 5u) / 10u;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%u.%02u", centi / 100u, centi % 100u);
    return QByteArray(text, n);
}

QByteArray TExportLines::Line(std::size_t Index) const
{
    if (Index == 0)
        return FRecords.empty() ? QByteArray() : HeaderLine;
    if (Index > FRecords.size())
        return {};
    const TRecord &r = FRecords[Index - 1];
    // The temperature column is always 0: the channel's temperature is not recorded.
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%u,%u,%s,%u,0,%u,%u", r.Step, unsigned(r.ChannelNumber),
                                VoltsText(r.MilliVolts).constData(), unsigned(r.MilliAmps), unsigned(r.Minutes),
                                unsigned(r.MilliAmpHours));
    return QByteArray(text, n);
}
