#pragma once

#include "ValueToken.h"

#include <array>
#include <cstdint>
#include <memory>

class TKRVCharger;
class TKRVChannels;

enum class TChannelState : std::uint8_t {
    csUnknown, // no frame reported since the last link reset
    csIdle,    // last frame had a current of 20 mA or less, or the port closed
    csWorking, // last frame had a current above 20 mA: charging
};

using enum TChannelState;

// One charger slot. It stores no frame bytes: it reads its block of the charger's RawFrames.
// Main thread only.
class TKRVChannel
{
public:
    TKRVChannel(TKRVChannels &Collection, int Index);

    int Index() const { return FIndex; }
    TKRVCharger *GetCharger() const;
    const std::uint8_t *GetFrame() const;
    // The value in device units; 0 unless the channel is charging, except the capacity,
    // which reads from the last frame in every state. vtImpedance has no word and reads 0.
    std::uint16_t GetValue(TValueToken Token) const;

    TChannelState State = csUnknown;

private:
    TKRVChannels &FCollection;
    int FIndex = 0;
};

// The fixed collection of four channels; its owner is the charger that created it.
class TKRVChannels
{
public:
    explicit TKRVChannels(TKRVCharger *Charger);

    TKRVChannel &Items(int Index) { return *FItems[static_cast<std::size_t>(Index)]; }
    const TKRVChannel &Items(int Index) const { return *FItems[static_cast<std::size_t>(Index)]; }
    int Count() const { return ChannelCount; }
    TKRVCharger *Owner() const { return FCharger; }

private:
    TKRVCharger *FCharger = nullptr;
    std::array<std::unique_ptr<TKRVChannel>, ChannelCount> FItems;
};
