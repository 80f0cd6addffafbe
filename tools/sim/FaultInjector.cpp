#include "FaultInjector.h"

TFaultInjector::TFaultInjector(std::uint32_t Seed, const TFaultRates &Rates) : FRandom(Seed), FRates(Rates) {}

TLineChunk TFaultInjector::Prepare(int Channel, TFrameWords Words)
{
    // The draws come in a fixed order whatever the rates, so one rate does not shift the
    // faults that another one picks.
    TLineChunk chunk;
    if (Hit(FRates.Garbage))
        chunk.Bytes = Garbage();
    if (Hit(FRates.Drop))
        return chunk;
    if (Hit(FRates.Implausible))
        MakeImplausible(Words);
    std::uint8_t mark = Wire::HeaderMark;
    if (Hit(FRates.BadHeader))
        mark = static_cast<std::uint8_t>(Below(Wire::HeaderMark));
    chunk.Bytes += EncodeFrame(Channel, Words, mark);
    chunk.HasFrame = true;
    return chunk;
}

bool TFaultInjector::Hit(double Rate) { return static_cast<double>(FRandom()) / 4294967296.0 < Rate; }

std::uint32_t TFaultInjector::Below(std::uint32_t Bound) { return FRandom() % Bound; }

QByteArray TFaultInjector::Garbage()
{
    QByteArray bytes;
    const std::uint32_t count = 1 + Below(8);
    for (std::uint32_t i = 0; i < count; ++i) {
        // Stray bytes must not start a frame of their own; they skip the four start bytes.
        std::uint32_t value = Below(256 - Wire::ChannelCount);
        if (value >= Wire::FirstStartByte)
            value += Wire::ChannelCount;
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

void TFaultInjector::MakeImplausible(TFrameWords &Words)
{
    if (Below(2) == 0)
        Words.UnLoadVoltage =
            static_cast<std::uint16_t>(Wire::MaxPlausibleVoltage + 1 + Below(3000 - Wire::MaxPlausibleVoltage));
    else
        Words.Current =
            static_cast<std::uint16_t>(Wire::MaxPlausibleCurrent + 1 + Below(1500 - Wire::MaxPlausibleCurrent));
}
