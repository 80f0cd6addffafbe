#include "PacketChecker.h"

#include "ComPort.h"
#include "KRVCharger.h"

#include <algorithm>
#include <chrono>

std::uint32_t SystemTickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

TPacketChecker::TPacketChecker(TKRVCharger *Charger) : FCharger(Charger) {}

void TPacketChecker::Start()
{
    TComPort &port = FCharger->Port();
    if (!port.Open())
        return;
    FDone = false;
    FCharger->FFrameMode = fmUnknown;
    for (int i = 0; i < ChannelCount; ++i) {
        THeaderEntry &entry = FHeaders[static_cast<std::size_t>(i)];
        entry.Handle = port.AddPatternTrigger({static_cast<std::uint8_t>(0xC0 + i), 0xFF});
        entry.Tick = 0;
        entry.Seen = false;
    }
}

void TPacketChecker::HeaderSeen(std::uint16_t Handle)
{
    const auto found =
        std::find_if(FHeaders.begin(), FHeaders.end(), [Handle](const THeaderEntry &e) { return e.Handle == Handle; });
    if (found == FHeaders.end())
        return;
    const auto seenCount = [this] {
        return std::count_if(FHeaders.begin(), FHeaders.end(), [](const THeaderEntry &e) { return e.Seen; });
    };
    if (seenCount() < ChannelCount) {
        found->Seen = true;
        // The latest sighting counts: a header garbled in one round must not leave a
        // channel's time a round behind the others.
        found->Tick = TickSource();
    }
    if (seenCount() == ChannelCount) {
        FCharger->Port().FlushInput();
        FCharger->FFrameMode = Decide(FHeaders);
        FDone = true;
    }
}

TFrameMode TPacketChecker::Decide(const std::array<THeaderEntry, ChannelCount> &Headers)
{
    const std::uint32_t g1 = Headers[1].Tick - Headers[0].Tick;
    const std::uint32_t g2 = Headers[2].Tick - Headers[1].Tick;
    const std::uint32_t g3 = Headers[3].Tick - Headers[2].Tick;
    std::uint32_t low = 0xFFFFFFFF;
    std::uint32_t high = 0;
    for (std::uint32_t g : {g1, g2, g3}) {
        low = std::min(low, g);
        high = std::max(high, g);
    }
    const std::uint32_t median = g1 + g2 + g3 - low - high;
    return median > 800 ? fmSingle : fmGroup;
}

void TPacketChecker::Stop()
{
    TComPort &port = FCharger->Port();
    if (!port.Open())
        return;
    for (THeaderEntry &entry : FHeaders) {
        if (entry.Handle != 0) {
            port.RemovePatternTrigger(entry.Handle);
            entry.Handle = 0;
        }
    }
    port.FlushInput();
}
