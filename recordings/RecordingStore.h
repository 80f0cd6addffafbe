#pragma once
// The database of recordings: opening it (a damaged file is moved aside and a new one made),
// and what the window asks of it: unfinished recordings, the list, one recording whole,
// deleting, marking a restored one ended. Writing frames is TRecorder's, on its own
// connection in its own thread. One thread at a time uses a store.
#include "RecordingTypes.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class TSqlDatabase;
class TLiveLocks;

enum class TStoreStatus : std::uint8_t {
    ssReady,       // recordings are kept
    ssRenewed,     // a damaged file was moved aside (MovedAsideTo) and a new one made
    ssReadOnly,    // made by a newer build: listed and loaded, nothing recorded
    ssUnavailable, // nothing can be kept (Reason); recordings stay in memory only
};

struct TStoreOpening {
    TStoreStatus Status = TStoreStatus::ssUnavailable;
    QString MovedAsideTo;
    QString Reason; // the system's or the database's words, for the message's second line
    bool CanRecord() const { return Status == TStoreStatus::ssReady || Status == TStoreStatus::ssRenewed; }
};

class TRecordingStore
{
public:
    TRecordingStore();
    ~TRecordingStore();
    TRecordingStore(const TRecordingStore &) = delete;
    TRecordingStore &operator=(const TRecordingStore &) = delete;

    // Opens or creates the database at Path, making its folder when missing.
    TStoreOpening Open(const QString &Path);
    const TStoreOpening &Opening() const { return FOpening; }
    const QString &Path() const { return FPath; }
    bool IsOpen() const;

    // Not ended cleanly and written by nobody now: for the restore question, oldest first.
    std::vector<TRecordingInfo> Unfinished();
    // Every stored recording, oldest first.
    std::vector<TRecordingInfo> List();
    std::optional<TRecordingInfo> Info(std::int64_t Id);
    // Meta and every frame; none when the recording does not exist or cannot be read.
    std::optional<TStoredRecording> Load(std::int64_t Id);
    // Deletes those not being written; the number deleted. The file gives the room back.
    int Delete(const std::vector<std::int64_t> &Ids);
    // After a restore: the recording counts as ended cleanly from now on.
    bool MarkEnded(std::int64_t Id);
    // The last failure's words.
    const QString &LastError() const { return FLastError; }

    // How long a query waits for another copy's write before it fails.
    int BusyTimeoutMs = 2000;

private:
    std::vector<TRecordingInfo> Select(const char *Where, std::int64_t Id);
    bool Failed();
    // The stores of this process that have the file open, by path.
    void Register(const QString &Path);
    void Unregister();
    QString FRegistered;

    QString FPath;
    TStoreOpening FOpening;
    QString FLastError;
    std::unique_ptr<TSqlDatabase> FDb;
    std::unique_ptr<TLiveLocks> FLocks;
};
