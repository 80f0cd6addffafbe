#include "ExportLines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
    char text[MaxLineBytes];
    const std::size_t n = WriteLine(Index, text);
    return n < 2 ? QByteArray() : QByteArray(text, qsizetype(n - 2));
}

namespace {

char *WriteNumber(char *Out, unsigned Value)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + Value % 10u);
        Value /= 10u;
    } while (Value != 0);
    while (n > 0)
        *Out++ = digits[--n];
    return Out;
}

} // namespace

std::size_t TExportLines::WriteLine(std::size_t Index, char *Out) const
{
    char *at = Out;
    if (Index == 0) {
        if (FRecords.empty())
            return 0;
        std::memcpy(at, HeaderLine.constData(), std::size_t(HeaderLine.size()));
        at += HeaderLine.size();
    } else if (Index <= FRecords.size()) {
        // The same text as Line(), without formatting through the C library.
        const TRecord &r = FRecords[Index - 1];
        at = WriteNumber(at, r.Step);
        *at++ = ',';
        at = WriteNumber(at, r.ChannelNumber);
        *at++ = ',';
        const unsigned centi = (r.MilliVolts + 5u) / 10u;
        at = WriteNumber(at, centi / 100u);
        *at++ = '.';
        *at++ = static_cast<char>('0' + centi % 100u / 10u);
        *at++ = static_cast<char>('0' + centi % 10u);
        *at++ = ',';
        at = WriteNumber(at, r.MilliAmps);
        std::memcpy(at, ",0,", 3);
        at += 3;
        at = WriteNumber(at, r.Minutes);
        *at++ = ',';
        at = WriteNumber(at, r.MilliAmpHours);
    } else {
        return 0;
    }
    *at++ = '\r';
    *at++ = '\n';
    return std::size_t(at - Out);
}

const TExportLines::TRecord *TExportLines::Find(std::uint32_t Step, int ChannelNumber) const
{
    // Updates come in step order; a step holds one update per channel, so the channel's own is
    // among the last few at or before the step.
    constexpr int Reach = 64;
    auto it = std::upper_bound(FRecords.begin(), FRecords.end(), Step,
                               [](std::uint32_t S, const TRecord &R) { return S < R.Step; });
    for (int k = 0; k < Reach && it != FRecords.begin(); ++k) {
        --it;
        if (it->ChannelNumber == ChannelNumber)
            return &*it;
    }
    return nullptr;
}
