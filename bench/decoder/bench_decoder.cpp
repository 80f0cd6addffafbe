// What one frame costs from the serial layer's buffer to the report, in both frame modes;
// the line brings at most 60 frames a second.
#include "charger/KRVCharger.h"
#include "charger/MemoryComPort.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QByteArray Frame(int Channel, std::uint16_t Voltage)
{
    QByteArray frame(16, '\0');
    frame[0] = static_cast<char>(0xC0 + Channel);
    frame[1] = static_cast<char>(0xFF);
    frame[2] = static_cast<char>(Voltage & 0xFF);
    frame[3] = static_cast<char>(Voltage >> 8);
    frame[8] = static_cast<char>(0xE8); // 1000 mA
    frame[9] = 0x03;
    return frame;
}

void DecodeFrames(benchmark::State &State, TFrameMode Mode)
{
    auto owned = std::make_unique<TMemoryComPort>();
    TMemoryComPort *port = owned.get();
    TKRVCharger charger(nullptr, std::move(owned));
    std::uint32_t tick = 0;
    charger.Checker().TickSource = [&tick] { return tick; };
    std::int64_t reports = 0;
    charger.OnReceiveData = [&reports](TKRVChannel *, std::int32_t) { ++reports; };
    charger.ComNumber = 1;
    charger.Open();
    for (int channel = 0; channel < ChannelCount; ++channel) {
        tick += Mode == fmSingle ? 1000 : 50;
        port->Receive(Frame(channel, 1300).left(2));
    }
    if (charger.FrameMode() != Mode)
        State.SkipWithError("the check chose the other mode");

    QByteArray frames[ChannelCount];
    for (int channel = 0; channel < ChannelCount; ++channel)
        frames[channel] = Frame(channel, static_cast<std::uint16_t>(1300 + channel));
    std::int64_t sent = 0;
    for (auto _ : State) {
        port->Receive(frames[sent % ChannelCount]);
        // Progress messages pile up in the event queue as they would between two repaints.
        if (++sent % 64 == 0)
            QCoreApplication::sendPostedEvents();
    }
    QCoreApplication::sendPostedEvents();
    State.SetItemsProcessed(sent);
    State.counters["reports"] = static_cast<double>(reports);
}

void BM_DecodeSingleMode(benchmark::State &State) { DecodeFrames(State, fmSingle); }
void BM_DecodeGroupMode(benchmark::State &State) { DecodeFrames(State, fmGroup); }

} // namespace

BENCHMARK(BM_DecodeSingleMode);
BENCHMARK(BM_DecodeGroupMode);

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
