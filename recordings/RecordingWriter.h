#pragma once
// The writer thread's side of the store: applies one batch of frames and commands in one
// transaction and keeps the recording's summary row up to date with it. Writer thread only.
#include "Recorder.h"

#include <memory>

class TSqlDatabase;
class TSqlStatement;
class TLiveLocks;

class TRecordingWriter
{
public:
    TRecordingWriter(const QString &Path, int BusyTimeoutMs);
    ~TRecordingWriter();
    TRecordingWriter(const TRecordingWriter &) = delete;
    TRecordingWriter &operator=(const TRecordingWriter &) = delete;

    void Write(const TRecorderBatch &Batch);
    // The recording being written and its id once committed (0 before).
    std::uint32_t Generation() const { return FSummary.Generation; }
    std::int64_t CurrentId() const { return FCommittedId; }

    // Called once for each recording that could not be written.
    std::function<void(std::uint32_t Generation, const TWriteFailure &Failure)> OnFailure;

private:
    struct TSummary {
        std::uint32_t Generation = 0;
        std::int64_t Id = 0;
        std::int64_t StartedMs = 0;
        std::int64_t FrameCount = 0;
        std::int64_t FirstFrame = 0;
        std::int64_t LastFrame = 0;
        std::uint32_t LastStep = 0;
        std::int64_t LastMs = 0;
        std::uint8_t Charged = 0;
        std::uint8_t FrameMode = 0;
        std::array<std::uint16_t, RecordedChannels> Capacity{};
        std::array<QString, RecordedChannels> Descriptions;
        bool Active = false; // begun and neither ended nor failed
        bool Ended = false;
        bool Dirty = false;
    };

    // An empty reason when connected.
    TWriteFailure Connect();
    // The connection's last failure, or Code's.
    TWriteFailure FailureNow(int Code = 0) const;
    bool Apply(const TRecorderBatch::TCommand &Command);
    bool Insert(const TRecordedFrame &Frame);
    bool StoreSummary();
    void Fail(const TWriteFailure &Failure);

    const QString FPath;
    const int FBusyTimeoutMs;
    std::unique_ptr<TSqlDatabase> FDb;
    std::unique_ptr<TLiveLocks> FLocks;
    std::unique_ptr<TSqlStatement> FInsertFrame;
    std::unique_ptr<TSqlStatement> FInsertRecording;
    std::unique_ptr<TSqlStatement> FUpdateRecording;
    TSummary FSummary;
    std::int64_t FCommittedId = 0;
    // Ids locked in the transaction under way, and ended in it: released once it commits.
    std::vector<std::int64_t> FLockedNow;
    std::vector<std::int64_t> FEndedNow;
    std::uint32_t FFailedGeneration = 0;
};
