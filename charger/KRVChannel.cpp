#include "KRVChannel.h"

#include "KRVCharger.h"

TKRVChannel::TKRVChannel(TKRVChannels &Collection, int Index) : FCollection(Collection), FIndex(Index) {}

TKRVCharger *TKRVChannel::GetCharger() const { return FCollection.Owner(); }

const std::uint8_t *TKRVChannel::GetFrame() const { return GetCharger()->GetFrame(FIndex); }

std::uint16_t TKRVChannel::GetValue(TValueToken Token) const
{
    if (Token > vtCapacity)
        return 0;
    const std::uint8_t *frame = GetFrame();
    // A block never written, or one that names another channel, reads as nothing.
    if (static_cast<int>(frame[0]) - 0xC0 != FIndex)
        return 0;
    if (State == csWorking)
        return FrameWord(frame, static_cast<int>(Token));
    if (Token == vtCapacity)
        return FrameWord(frame, static_cast<int>(vtCapacity));
    return 0;
}

TKRVChannels::TKRVChannels(TKRVCharger *Charger) : FCharger(Charger)
{
    for (int i = 0; i < ChannelCount; ++i)
        FItems[static_cast<std::size_t>(i)] = std::make_unique<TKRVChannel>(*this, i);
}
