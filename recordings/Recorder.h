#pragma once
// Writing recordings to the store without holding up the window. The owner's thread (the GUI
// thread) begins and ends recordings and pushes each reported channel frame: a push copies the
// frame into a list under a lock that the writer thread takes only to swap lists, so it never
// waits for the disk and allocates nothing once the lists have grown to a second's frames. The
// writer thread commits what came once a second in one transaction, so a crash or a power cut
// loses at most the last second. A write failure is reported once per recording through
// OnWriteFailure, queued to the owner's thread; that recording is then no longer written, and
// the next one tries again.
#include "RecordingTypes.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

enum class TWriteFailureKind : std::uint8_t {
    wfDiskFull,    // no room, or the file may grow no further
    wfLocked,      // another copy held the database longer than the busy time-out
    wfCannotWrite, // anything else: the folder or file cannot be written, a damaged page
};

struct TWriteFailure {
    TWriteFailureKind Kind = TWriteFailureKind::wfCannotWrite;
    QString Reason; // the database's words
};

// What the owner handed over since the writer last looked: frames, and the commands between
// them, each placed by the number of frames that came before it.
struct TRecorderBatch {
    enum class TKind : std::uint8_t { Begin, End, FrameMode, Description };
    struct TCommand {
        TKind Kind = TKind::End;
        std::size_t At = 0;
        std::uint32_t Generation = 0;
        TRecordingStart Start;
        int Channel = 0;
        QString Text;
        std::uint8_t FrameMode = 0;
    };
    std::vector<TRecordedFrame> Frames;
    std::vector<TCommand> Commands;
    bool Empty() const { return Frames.empty() && Commands.empty(); }
    void Clear()
    {
        Frames.clear();
        Commands.clear();
    }
};

struct TRecorderTiming {
    int CommitIntervalMs = 1000;
    // How long a commit waits for another copy's write before it counts as a failure.
    int BusyTimeoutMs = 2000;
};

class TRecorder : public QObject
{
public:
    // The writer opens its own connection to the database at Path at its first commit.
    explicit TRecorder(const QString &DatabasePath, QObject *Owner = nullptr, TRecorderTiming Timing = {});
    // Ends a recording still going, commits it and waits for the writer to finish.
    ~TRecorder() override;

    // Owner's thread only. Begin ends a recording still going first.
    void Begin(const TRecordingStart &Start);
    void Push(const TRecordedFrame &Frame);
    void SetFrameMode(std::uint8_t Mode);
    void SetDescription(int Channel, const QString &Text);
    // Marks the recording ended cleanly; committed at once, without waiting for it here.
    void End();
    bool IsRecording() const { return FActive; }
    // The writer gave up the current recording.
    bool Failed() const { return FActive && FFailedGeneration.load(std::memory_order_acquire) == FGeneration; }
    // The store's id of the current recording, 0 until its first commit.
    std::int64_t CurrentId() const;
    // Waits until everything handed over so far is committed or has failed.
    void Flush();

    std::function<void(const TWriteFailure &Failure)> OnWriteFailure;

private:
    void Command(TRecorderBatch::TCommand Command, bool Urgent);
    void Run();
    void Report(std::uint32_t Generation, const TWriteFailure &Failure);

    const QString FPath;
    const TRecorderTiming FTiming;
    bool FActive = false;
    std::uint32_t FGeneration = 0;
    std::atomic<std::uint32_t> FFailedGeneration{0};

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    TRecorderBatch FPending;             // guarded by FMutex
    bool FUrgent = false;                // guarded by FMutex
    bool FStop = false;                  // guarded by FMutex
    std::uint64_t FFlushAsked = 0;       // guarded by FMutex
    std::uint64_t FFlushDone = 0;        // guarded by FMutex
    std::uint32_t FStoredGeneration = 0; // guarded by FMutex
    std::int64_t FStoredId = 0;          // guarded by FMutex
    std::thread FThread;
};
