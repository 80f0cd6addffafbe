#pragma once

#include <QByteArray>

#include <cstdint>

// The wire format as the charger sends it, kept apart from the monitor's own decoder so
// that each checks the other.
namespace Wire {
inline constexpr int ChannelCount = 4;
inline constexpr int FrameSize = 16;
inline constexpr std::uint8_t FirstStartByte = 0xC0;
inline constexpr std::uint8_t HeaderMark = 0xFF;
// The monitor takes a frame as plausible up to these values.
inline constexpr std::uint16_t MaxPlausibleVoltage = 2495;
inline constexpr std::uint16_t MaxPlausibleCurrent = 1200;
} // namespace Wire

// Words 1 to 7 of a data frame, in wire order, in device units.
struct TFrameWords {
    std::uint16_t UnLoadVoltage = 0; // mV
    std::uint16_t LoadVoltage = 0;   // mV
    std::uint16_t Unknown = 0;
    std::uint16_t Current = 0; // mA
    std::uint16_t Temperature = 0;
    std::uint16_t WorkingTime = 0; // minutes
    std::uint16_t Capacity = 0;    // mAh
};

// The 16 bytes of one frame of Channel (0 to 3): start byte, header mark, then the words
// little-endian with only their low 13 bits, as the charger sends them.
QByteArray EncodeFrame(int Channel, const TFrameWords &Words, std::uint8_t Mark = Wire::HeaderMark);
