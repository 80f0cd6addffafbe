#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>

// The recorded channel updates as the lines of the CSV export: the header
// "Idx,#,V,mA,C,min,mAh" and one line per update. An update is kept as its numbers (16
// bytes) and its line is formed when asked for, so hours of recording stay small.
class TExportLines
{
public:
    static const QByteArray HeaderLine;

    // Appends the header first when the list is empty, then the update's line.
    void Append(std::uint32_t Step, int ChannelNumber, std::uint16_t MilliVolts, std::uint16_t MilliAmps,
                std::uint16_t Minutes, std::uint16_t MilliAmpHours);
    void Clear();
    // Lines, header included; 0 when empty.
    std::size_t Count() const { return FRecords.empty() ? 0 : FRecords.size() + 1; }
    bool IsEmpty() const { return FRecords.empty(); }
    // Line Index in ASCII, without line end.
    QByteArray Line(std::size_t Index) const;
    QString LineText(std::size_t Index) const { return QString::fromLatin1(Line(Index)); }

    // Line Index with "\r\n" after it, written at Out, which has room for MaxLineBytes; the
    // number of bytes written.
    static constexpr std::size_t MaxLineBytes = 64;
    std::size_t WriteLine(std::size_t Index, char *Out) const;

    // Column V: volts with two decimals and a full stop, half up on the millivolts.
    static QByteArray VoltsText(std::uint16_t MilliVolts);

    struct TRecord {
        std::uint32_t Step;
        std::uint16_t MilliVolts;
        std::uint16_t MilliAmps;
        std::uint16_t Minutes;
        std::uint16_t MilliAmpHours;
        std::uint8_t ChannelNumber;
    };
    // The last update of channel ChannelNumber at Step or in the few updates before it; none
    // when the channel did not report there.
    const TRecord *Find(std::uint32_t Step, int ChannelNumber) const;

private:
    std::deque<TRecord> FRecords;
};
