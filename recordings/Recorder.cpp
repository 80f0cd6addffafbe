#include "Recorder.h"

#include "RecordingWriter.h"

#include <QMetaObject>

#include <chrono>

TRecorder::TRecorder(const QString &DatabasePath, QObject *Owner, TRecorderTiming Timing)
    : QObject(Owner), FPath(DatabasePath), FTiming(Timing)
{
    FThread = std::thread([this] { Run(); });
}

TRecorder::~TRecorder()
{
    End();
    {
        std::lock_guard lock(FMutex);
        FStop = true;
        FWake.notify_one();
    }
    FThread.join();
}

void TRecorder::Command(TRecorderBatch::TCommand Command, bool Urgent)
{
    std::lock_guard lock(FMutex);
    Command.At = FPending.Frames.size();
    FPending.Commands.push_back(std::move(Command));
    FUrgent = FUrgent || Urgent;
    FWake.notify_one();
}

void TRecorder::Begin(const TRecordingStart &Start)
{
    End();
    FActive = true;
    ++FGeneration;
    Command({TRecorderBatch::TKind::Begin, 0, FGeneration, Start, 0, {}, 0}, false);
}

void TRecorder::Push(const TRecordedFrame &Frame)
{
    if (!FActive || FFailedGeneration.load(std::memory_order_relaxed) == FGeneration)
        return;
    std::lock_guard lock(FMutex);
    const bool wake = FPending.Empty();
    FPending.Frames.push_back(Frame);
    // Only the first frame of a second wakes the writer; it then waits out the second.
    if (wake)
        FWake.notify_one();
}

void TRecorder::SetFrameMode(std::uint8_t Mode)
{
    if (FActive)
        Command({TRecorderBatch::TKind::FrameMode, 0, FGeneration, {}, 0, {}, Mode}, false);
}

void TRecorder::SetDescription(int Channel, const QString &Text)
{
    if (FActive && Channel >= 0 && Channel < RecordedChannels)
        Command({TRecorderBatch::TKind::Description, 0, FGeneration, {}, Channel, Text, 0}, false);
}

void TRecorder::End()
{
    if (!FActive)
        return;
    FActive = false;
    Command({TRecorderBatch::TKind::End, 0, FGeneration, {}, 0, {}, 0}, true);
}

std::int64_t TRecorder::CurrentId() const
{
    std::lock_guard lock(FMutex);
    return FActive && FStoredGeneration == FGeneration ? FStoredId : 0;
}

void TRecorder::Flush()
{
    std::unique_lock lock(FMutex);
    const std::uint64_t ticket = ++FFlushAsked;
    FUrgent = true;
    FWake.notify_one();
    FDone.wait(lock, [&] { return FFlushDone >= ticket; });
}

void TRecorder::Report(std::uint32_t Generation, const TWriteFailure &Failure)
{
    FFailedGeneration.store(Generation, std::memory_order_release);
    QMetaObject::invokeMethod(
        this,
        [this, Failure] {
            if (OnWriteFailure)
                OnWriteFailure(Failure);
        },
        Qt::QueuedConnection);
}

void TRecorder::Run()
{
    TRecordingWriter writer(FPath, FTiming.BusyTimeoutMs);
    writer.OnFailure = [this](std::uint32_t Generation, const TWriteFailure &Failure) { Report(Generation, Failure); };
    TRecorderBatch working;
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [&] { return FStop || FUrgent || !FPending.Empty(); });
        // Gather a second's frames unless a recording ends or somebody waits.
        if (!FStop && !FUrgent)
            FWake.wait_for(lock, std::chrono::milliseconds(FTiming.CommitIntervalMs), [&] { return FStop || FUrgent; });
        FUrgent = false;
        std::swap(FPending, working);
        const std::uint64_t ticket = FFlushAsked;
        const bool stop = FStop;
        lock.unlock();

        writer.Write(working);
        working.Clear();

        lock.lock();
        FStoredGeneration = writer.Generation();
        FStoredId = writer.CurrentId();
        FFlushDone = ticket;
        FDone.notify_all();
        if (stop && FPending.Empty())
            break;
    }
}
