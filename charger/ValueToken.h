#pragma once

#include <cstdint>

// Kinds of value a frame carries. A member's ordinal is the number of its 16-bit word in
// the frame; vtImpedance has no word.
enum class TValueToken : std::uint8_t {
    vtChannelIndex,
    vtUnLoadVoltage,
    vtLoadVoltage,
    vtUnknow,
    vtCurrent,
    vtTemperature,
    vtWorkingTime,
    vtCapacity,
    vtImpedance,
};

using enum TValueToken;

inline constexpr int FrameSize = 16;
inline constexpr int ChannelCount = 4;

// Word k of a frame: little-endian, only the low 13 bits count.
inline constexpr std::uint16_t FrameWord(const std::uint8_t *Frame, int Word)
{
    return static_cast<std::uint16_t>((Frame[2 * Word] | (Frame[2 * Word + 1] << 8)) & 0x1FFF);
}
