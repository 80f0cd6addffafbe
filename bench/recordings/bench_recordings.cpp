// The recording store: what a push costs the window's thread, how large a week of charging is
// on disk, how long loading it whole and listing a thousand recordings take.
#include "charger/KRVCharger.h"
#include "charger/MemoryComPort.h"
#include "recordings/ChannelFrame.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr std::uint32_t WeekSteps = 151'200; // 7 days at 15 steps a minute

// Every channel charging for the whole week: the largest values, so the largest rows.
TRecordedFrame ChargingFrame(std::uint32_t Number, std::int64_t StartMs)
{
    TRecordedFrame frame;
    frame.Step = Number / 4;
    frame.Channel = static_cast<std::uint8_t>(Number % 4);
    frame.WallMs = StartMs + std::int64_t(Number) * 1000;
    frame.MilliVolts = static_cast<std::uint16_t>(1300 + (Number / 40) % 180);
    frame.MilliAmps = static_cast<std::uint16_t>(1000 + Number % 7);
    frame.Minutes = static_cast<std::uint16_t>((frame.Step / 15) % 8192);
    frame.MilliAmpHours = static_cast<std::uint16_t>((frame.Step / 4) % 8192);
    frame.Temperature = static_cast<std::uint16_t>(25 + Number % 3);
    frame.State = 2;
    frame.Flag = frame.Channel == 0 ? 3 : 1;
    return frame;
}

QTemporaryDir &Folder()
{
    static QTemporaryDir folder;
    return folder;
}

// A database holding one recording of a week, made once.
const QString &WeekDatabase(std::int64_t *Id = nullptr)
{
    static const QString path = Folder().filePath(QStringLiteral("week.sqlite"));
    static std::int64_t id = 0;
    if (id == 0) {
        TRecordingStore store;
        store.Open(path);
        TRecorder recorder(path);
        recorder.Begin({1'750'000'000'000, 33, QStringLiteral("/dev/ttyUSB0"), 2, {}});
        for (std::uint32_t i = 0; i < WeekSteps * 4; ++i) {
            recorder.Push(ChargingFrame(i, 1'750'000'000'000));
            if (i % 20'000 == 0)
                recorder.Flush();
        }
        recorder.Flush();
        id = recorder.CurrentId();
        recorder.End();
    }
    if (Id)
        *Id = id;
    return path;
}

// The window's extra work per frame: reading the frame from the channel, and the push.
void BM_PushFrame(benchmark::State &State)
{
    TKRVCharger charger(nullptr, std::make_unique<TMemoryComPort>());
    const TKRVChannel &channel = charger.Channels().Items(1);
    const QString path = Folder().filePath(QStringLiteral("push.sqlite"));
    TRecordingStore store;
    store.Open(path);
    TRecorder recorder(path);
    recorder.Begin({1, 1, QStringLiteral("/dev/ttyS0"), 1, {}});
    std::int64_t pushed = 0;
    for (auto _ : State) {
        recorder.Push(RecordedFrame(channel, 1));
        // A second of frames at the line rate is 60; the writer commits what came meanwhile.
        if (++pushed % 4096 == 0) {
            State.PauseTiming();
            recorder.Flush();
            State.ResumeTiming();
        }
    }
    State.SetItemsProcessed(pushed);
}

void BM_LoadWeek(benchmark::State &State)
{
    std::int64_t id = 0;
    const QString &path = WeekDatabase(&id);
    TRecordingStore store;
    store.Open(path);
    std::size_t frames = 0;
    for (auto _ : State) {
        std::optional<TStoredRecording> loaded = store.Load(id);
        frames = loaded ? loaded->Frames.size() : 0;
        benchmark::DoNotOptimize(frames);
    }
    State.counters["frames"] = double(frames);
    State.counters["file_MB"] = double(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size()) / 1e6;
}

void BM_ListThousand(benchmark::State &State)
{
    // Benchmarks run more than once: the recordings are made at the first run only.
    const QString path = Folder().filePath(QStringLiteral("thousand.sqlite"));
    const bool made = QFileInfo::exists(path);
    TRecordingStore store;
    store.Open(path);
    if (!made) {
        TRecorder recorder(path);
        for (std::int64_t r = 0; r < 1000; ++r) {
            recorder.Begin({1'750'000'000'000 + r * 3'600'000,
                            std::uint16_t(1 + r % 4),
                            QStringLiteral("/dev/ttyS0"),
                            1,
                            {QStringLiteral("AA 2000 mAh"), QStringLiteral("AAA 800 mAh")}});
            for (std::uint32_t i = 0; i < 40; ++i)
                recorder.Push(ChargingFrame(i, 1'750'000'000'000 + r * 3'600'000));
            recorder.End();
        }
    }
    std::size_t listed = 0;
    for (auto _ : State) {
        const std::vector<TRecordingInfo> list = store.List();
        listed = list.size();
        benchmark::DoNotOptimize(listed);
    }
    State.counters["recordings"] = double(listed);
}

} // namespace

BENCHMARK(BM_PushFrame)->Iterations(1 << 20);
BENCHMARK(BM_LoadWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListThousand)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
