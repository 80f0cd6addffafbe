#pragma once

#include "ValueToken.h"

#include <array>
#include <bitset>
#include <cstdint>

class TKRVCharger;

enum class TFrameFlag : std::uint8_t {
    ffValid,    // the last complete frame passed the plausibility test
    ffNewRow,   // the current frame starts a new sample row (single mode)
    ffHeader,   // the current frame's second byte was 0xFF
    ffComplete, // the current frame has been read in full
};

using enum TFrameFlag;

// A set of TFrameFlag in a 32-bit word, bit n = member n.
class TFrameFlags
{
public:
    bool Contains(TFrameFlag Flag) const { return (FBits & Bit(Flag)) != 0; }
    void Include(TFrameFlag Flag) { FBits |= Bit(Flag); }
    void Exclude(TFrameFlag Flag) { FBits &= ~Bit(Flag); }
    void Clear() { FBits = 0; }
    std::uint32_t Bits() const { return FBits; }

private:
    static constexpr std::uint32_t Bit(TFrameFlag Flag) { return 1u << static_cast<unsigned>(Flag); }
    std::uint32_t FBits = 0;
};

inline constexpr std::uint16_t MaxPlausibleVoltage = 2495; // mV
inline constexpr std::uint16_t MaxPlausibleCurrent = 1200; // mA

// The frame decoder: the single home of the wire format. Turns the received bytes into the
// charger's four frame blocks, flags each frame, counts frames and sample rows, and hands
// finished frames to the charger for reporting. One step per bytes-waiting notification;
// never waits for bytes. Main thread only.
class TDataPicket
{
public:
    explicit TDataPicket(TKRVCharger *Charger);

    void Reset();
    void DropChannel();
    // Finishes at most one frame.
    void Decode();

    int Position() const { return FPosition; }
    int Channel() const { return FChannel; }
    int LastChannel() const { return FLastChannel; }
    TFrameFlags Flags(int Channel) const { return FFlags[static_cast<std::size_t>(Channel)]; }

private:
    void PostProgress();
    void CountLostFrames();
    void FinishFrame();
    void ReportGroup();
    std::uint8_t *Block(int Channel);
    static constexpr std::uint8_t Bit(int Channel) { return static_cast<std::uint8_t>(1u << Channel); }

    TKRVCharger *FCharger = nullptr;
    std::uint8_t (*FFrames)[FrameSize] = nullptr;
    std::array<TFrameFlags, ChannelCount> FFlags{};
    std::bitset<256> FStartBytes;
    std::int32_t FPosition = -1; // -1 hunting, 0 start byte taken, 1 header mark taken
    std::int32_t FChannel = -1;
    std::int32_t FLastChannel = -1;
    // Group mode: the channels whose frame came complete since the last group report, and
    // each channel's last complete frame, which a group that lacks it reports again.
    std::uint8_t FGroupArrived = 0;
    std::uint8_t FLastFrames[ChannelCount][FrameSize] = {};
};
