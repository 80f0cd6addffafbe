#pragma once

#include "ValueToken.h"

#include <array>
#include <cstdint>
#include <functional>

class TKRVCharger;
enum class TFrameMode : std::uint8_t;

// Milliseconds of a 32-bit tick counter that wraps.
using TTickSource = std::function<std::uint32_t()>;
std::uint32_t SystemTickCount();

// Runs once after every opening of the port: times the headers of the four channels and
// decides whether the charger sends one frame at a time or four in quick succession.
// Main thread only.
class TPacketChecker
{
public:
    struct THeaderEntry {
        std::uint16_t Handle = 0; // pattern trigger of the channel's header; 0 = none
        std::uint32_t Tick = 0;
        bool Seen = false;
    };

    explicit TPacketChecker(TKRVCharger *Charger);

    void Start();
    void HeaderSeen(std::uint16_t Handle);
    bool Done() const { return FDone; }
    void Stop();

    // The decision from four header ticks: median gap above 800 ms is single mode.
    static TFrameMode Decide(const std::array<THeaderEntry, ChannelCount> &Headers);

    const std::array<THeaderEntry, ChannelCount> &Headers() const { return FHeaders; }
    TTickSource TickSource = &SystemTickCount;

private:
    TKRVCharger *FCharger = nullptr;
    std::array<THeaderEntry, ChannelCount> FHeaders{};
    bool FDone = false;
};
