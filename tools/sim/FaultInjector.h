#pragma once

#include "FrameEncoder.h"

#include <QByteArray>

#include <cstdint>
#include <random>

// Chances per frame, 0 to 1.
struct TFaultRates {
    double Garbage = 0;     // 1-8 stray bytes, never a start byte, before the frame
    double Drop = 0;        // the frame is not sent
    double BadHeader = 0;   // the header mark is not 0xFF
    double Implausible = 0; // voltage or current beyond what the monitor accepts
};

// What goes on the line in one frame slot.
struct TLineChunk {
    QByteArray Bytes;
    bool HasFrame = false;
};

// Spoils frames at the given rates. The faults follow from the seed alone, so a run with the
// same seed and rates spoils the same frames.
class TFaultInjector
{
public:
    TFaultInjector(std::uint32_t Seed, const TFaultRates &Rates);

    TLineChunk Prepare(int Channel, TFrameWords Words);

private:
    bool Hit(double Rate);
    // Uniform in 0 .. Bound - 1.
    std::uint32_t Below(std::uint32_t Bound);
    QByteArray Garbage();
    void MakeImplausible(TFrameWords &Words);

    std::mt19937 FRandom;
    TFaultRates FRates;
};
