#pragma once
// Frames whose values follow from a seed and their number, so a reader can tell every stored
// frame from the one pushed, and one writer's frames from another's.
#include "recordings/RecordingTypes.h"

inline TRecordedFrame MadeFrame(int Seed, std::uint32_t Number, std::int64_t WallMs)
{
    TRecordedFrame frame;
    frame.WallMs = WallMs;
    frame.Step = Number / 4;
    frame.Channel = static_cast<std::uint8_t>(Number % 4);
    frame.MilliVolts = static_cast<std::uint16_t>(1000 + (Number * 7 + std::uint32_t(Seed)) % 800);
    frame.MilliAmps = static_cast<std::uint16_t>(Number % 3 == 0 ? 0 : 300 + Seed);
    frame.Minutes = static_cast<std::uint16_t>(Number / 60);
    frame.MilliAmpHours = static_cast<std::uint16_t>((Number / 2 + std::uint32_t(Seed)) % 8192);
    frame.Temperature = static_cast<std::uint16_t>(20 + Number % 10);
    frame.State = frame.MilliAmps > 20 ? 2 : 1;
    frame.Flag = Number % 4 == 0 ? 3 : 1;
    return frame;
}
