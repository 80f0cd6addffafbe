#include "RecordingStore.h"

#include "LiveLocks.h"
#include "Sqlite.h"

#include <sqlite3.h>

namespace {

const char *const InfoColumns = "SELECT id, started_ms, com_number, device, frame_mode, ended, frame_count, "
                                "last_step, last_ms, charged, capacity0, capacity1, capacity2, capacity3, "
                                "description0, description1, description2, description3 FROM recording ";

TRecordingInfo ReadInfo(const TSqlStatement &Row)
{
    TRecordingInfo info;
    info.Id = Row.Int(0);
    info.StartedMs = Row.Int(1);
    info.ComNumber = static_cast<std::uint16_t>(Row.Int(2));
    info.Device = Row.Text(3);
    info.FrameMode = static_cast<std::uint8_t>(Row.Int(4));
    info.EndedCleanly = Row.Int(5) != 0;
    info.FrameCount = Row.Int(6);
    info.LastStep = static_cast<std::uint32_t>(Row.Int(7));
    info.DurationMs = Row.Int(8);
    info.ChargedChannels = static_cast<std::uint8_t>(Row.Int(9));
    for (int i = 0; i < RecordedChannels; ++i) {
        info.FinalCapacity[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(Row.Int(10 + i));
        info.Descriptions[static_cast<std::size_t>(i)] = Row.Text(14 + i);
    }
    return info;
}

} // namespace

TRecordingStore::TRecordingStore() = default;
TRecordingStore::~TRecordingStore()
{
    FDb.reset();
    Unregister();
}

bool TRecordingStore::IsOpen() const { return FDb && FDb->IsOpen(); }

bool TRecordingStore::Failed()
{
    FLastError = FDb ? FDb->ErrorText() : QStringLiteral("the store is not open");
    return false;
}

std::vector<TRecordingInfo> TRecordingStore::Select(const char *Where, std::int64_t Id)
{
    std::vector<TRecordingInfo> found;
    if (!IsOpen()) {
        Failed();
        return found;
    }
    TSqlStatement query(FDb->Handle(), QByteArray(InfoColumns).append(Where).append(" ORDER BY id").constData());
    if (Id)
        query.Bind(1, Id);
    int code;
    while ((code = query.Step()) == SQLITE_ROW) {
        found.push_back(ReadInfo(query));
        TRecordingInfo &info = found.back();
        info.Live = !info.EndedCleanly && FLocks && FLocks->HeldElsewhere(info.Id);
    }
    if (code != SQLITE_DONE) {
        Failed();
        found.clear();
        return found;
    }
    // Each recording's share of the pages in use, by its frames.
    const std::int64_t pageSize = FDb->QueryInt("PRAGMA page_size", 0);
    const std::int64_t used = FDb->QueryInt("PRAGMA page_count", 0) - FDb->QueryInt("PRAGMA freelist_count", 0);
    const std::int64_t frames = FDb->QueryInt("SELECT total(frame_count) FROM recording", 0);
    for (TRecordingInfo &info : found)
        info.SizeOnDisk =
            frames > 0 ? static_cast<std::int64_t>(double(used * pageSize) * info.FrameCount / frames) : 0;
    return found;
}

std::vector<TRecordingInfo> TRecordingStore::List() { return Select("", 0); }

std::vector<TRecordingInfo> TRecordingStore::Unfinished()
{
    std::vector<TRecordingInfo> found = Select("WHERE ended = 0", 0);
    std::erase_if(found, [](const TRecordingInfo &Info) { return Info.Live; });
    return found;
}

std::optional<TRecordingInfo> TRecordingStore::Info(std::int64_t Id)
{
    std::vector<TRecordingInfo> found = Select("WHERE id = ?1", Id);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

std::optional<TStoredRecording> TRecordingStore::Load(std::int64_t Id)
{
    if (!IsOpen()) {
        Failed();
        return std::nullopt;
    }
    // One read transaction: the frames and the summary of one commit, whoever writes meanwhile.
    FDb->Exec("BEGIN");
    std::optional<TStoredRecording> loaded;
    std::optional<TRecordingInfo> info = Info(Id);
    TSqlStatement range(FDb->Handle(), "SELECT first_frame, last_frame FROM recording WHERE id = ?1");
    range.Bind(1, Id);
    if (info && range.Step() == SQLITE_ROW) {
        loaded.emplace();
        loaded->Info = std::move(*info);
        loaded->Frames.reserve(static_cast<std::size_t>(loaded->Info.FrameCount));
        TSqlStatement frames(FDb->Handle(),
                             "SELECT step, channel, ms, millivolts, milliamps, minutes, milliamphours, temperature, "
                             "state, flags FROM frame WHERE rowid BETWEEN ?1 AND ?2 AND recording = ?3 ORDER BY rowid");
        frames.Bind(1, range.Int(0));
        frames.Bind(2, range.Int(1));
        frames.Bind(3, Id);
        const std::int64_t started = loaded->Info.StartedMs;
        int code;
        while ((code = frames.Step()) == SQLITE_ROW) {
            TRecordedFrame &f = loaded->Frames.emplace_back();
            f.Step = static_cast<std::uint32_t>(frames.Int(0));
            f.Channel = static_cast<std::uint8_t>(frames.Int(1));
            f.WallMs = started + frames.Int(2);
            f.MilliVolts = static_cast<std::uint16_t>(frames.Int(3));
            f.MilliAmps = static_cast<std::uint16_t>(frames.Int(4));
            f.Minutes = static_cast<std::uint16_t>(frames.Int(5));
            f.MilliAmpHours = static_cast<std::uint16_t>(frames.Int(6));
            f.Temperature = static_cast<std::uint16_t>(frames.Int(7));
            f.State = static_cast<std::uint8_t>(frames.Int(8));
            f.Flag = static_cast<std::uint8_t>(frames.Int(9));
        }
        if (code != SQLITE_DONE) {
            Failed();
            loaded.reset();
        }
    }
    FDb->Exec("COMMIT");
    return loaded;
}

int TRecordingStore::Delete(const std::vector<std::int64_t> &Ids)
{
    if (!IsOpen() || FOpening.Status == TStoreStatus::ssReadOnly)
        return Failed(), 0;
    int deleted = 0;
    TSqlStatement range(FDb->Handle(), "SELECT first_frame, last_frame, ended FROM recording WHERE id = ?1");
    TSqlStatement frames(FDb->Handle(), "DELETE FROM frame WHERE rowid BETWEEN ?1 AND ?2 AND recording = ?3");
    TSqlStatement recording(FDb->Handle(), "DELETE FROM recording WHERE id = ?1");
    for (const std::int64_t id : Ids) {
        if (FDb->Exec("BEGIN IMMEDIATE") != SQLITE_OK)
            return Failed(), deleted;
        range.Bind(1, id);
        const bool found = range.Step() == SQLITE_ROW;
        const bool live = found && range.Int(2) == 0 && FLocks && FLocks->HeldElsewhere(id);
        bool done = false;
        if (found && !live) {
            frames.Bind(1, range.Int(0));
            frames.Bind(2, range.Int(1));
            frames.Bind(3, id);
            recording.Bind(1, id);
            done = frames.Run() == SQLITE_DONE && recording.Run() == SQLITE_DONE;
        }
        range.Reset();
        if (done && FDb->Exec("COMMIT") == SQLITE_OK) {
            ++deleted;
        } else {
            if (found && !live)
                Failed();
            FDb->Exec("ROLLBACK");
        }
    }
    if (deleted > 0)
        FDb->Exec("PRAGMA incremental_vacuum");
    return deleted;
}

bool TRecordingStore::MarkEnded(std::int64_t Id)
{
    if (FLocks && FLocks->HeldElsewhere(Id)) {
        FLastError = QStringLiteral("the recording is being written");
        return false;
    }
    if (!IsOpen() || FOpening.Status == TStoreStatus::ssReadOnly)
        return Failed();
    TSqlStatement mark(FDb->Handle(), "UPDATE recording SET ended = 1 WHERE id = ?1");
    mark.Bind(1, Id);
    if (mark.Run() != SQLITE_DONE)
        return Failed();
    return sqlite3_changes(FDb->Handle()) == 1;
}
