#include "FullCsv.h"

#include <QDateTime>
#include <QIODevice>

#include <cstdio>

const QByteArray FullCsvHeader = QByteArrayLiteral("Time,#,Description,V,mA,min,mAh,\xC2\xB0"
                                                   "C,State");

namespace {

QByteArray Field(const QString &Text)
{
    QByteArray utf8 = Text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') && !utf8.contains('\r'))
        return utf8;
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

const char *StateText(std::uint8_t State)
{
    switch (State) {
    case 1:
        return "idle";
    case 2:
        return "charging";
    default:
        return "unknown";
    }
}

} // namespace

QByteArray FullCsvLine(const TRecordedFrame &Frame, const TRecordingInfo &Info)
{
    QByteArray line = QDateTime::fromMSecsSinceEpoch(Frame.WallMs, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1();
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, ",%u,", unsigned(Frame.Channel) + 1);
    line += numbers;
    if (Frame.Channel < RecordedChannels)
        line += Field(Info.Descriptions[Frame.Channel]);
    const int n = std::snprintf(numbers, sizeof numbers, ",%u.%03u,%u,%u,%u,%u,%s", Frame.MilliVolts / 1000u,
                                Frame.MilliVolts % 1000u, unsigned(Frame.MilliAmps), unsigned(Frame.Minutes),
                                unsigned(Frame.MilliAmpHours), unsigned(Frame.Temperature), StateText(Frame.State));
    line.append(numbers, n);
    return line;
}

bool WriteFullCsv(const TStoredRecording &Recording, QIODevice &Device)
{
    QByteArray chunk = FullCsvHeader + "\r\n";
    for (const TRecordedFrame &frame : Recording.Frames) {
        chunk += FullCsvLine(frame, Recording.Info);
        chunk += "\r\n";
        if (chunk.size() >= 1 << 16) {
            if (Device.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return Device.write(chunk) == chunk.size();
}
