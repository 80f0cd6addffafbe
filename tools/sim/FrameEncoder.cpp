#include "FrameEncoder.h"

namespace {

void AppendWord(QByteArray &Frame, std::uint16_t Word)
{
    const std::uint16_t used = Word & 0x1FFF;
    Frame.append(static_cast<char>(used & 0xFF));
    Frame.append(static_cast<char>(used >> 8));
}

} // namespace

QByteArray EncodeFrame(int Channel, const TFrameWords &Words, std::uint8_t Mark)
{
    QByteArray frame;
    frame.reserve(Wire::FrameSize);
    frame.append(static_cast<char>(Wire::FirstStartByte + (Channel & 3)));
    frame.append(static_cast<char>(Mark));
    for (const std::uint16_t word : {Words.UnLoadVoltage, Words.LoadVoltage, Words.Unknown, Words.Current,
                                     Words.Temperature, Words.WorkingTime, Words.Capacity})
        AppendWord(frame, word);
    return frame;
}
