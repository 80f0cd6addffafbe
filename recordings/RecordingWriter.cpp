#include "RecordingWriter.h"

#include "LiveLocks.h"
#include "RecordingSchema.h"
#include "Sqlite.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

namespace {

// A write refused for want of room: the file system is (nearly) full, or a file of the
// database reached the process's file size limit. The system's error number is often lost by
// the time SQLite reports the failed write, so the room is looked at directly.
bool OutOfRoom(const QString &Path)
{
    if (QStorageInfo(QFileInfo(Path).absolutePath()).bytesAvailable() < 1 << 20)
        return true;
#ifdef Q_OS_WIN
    return false;
#else
    struct rlimit limit = {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return false;
    const qint64 largest = std::max(QFileInfo(Path).size(), QFileInfo(Path + QStringLiteral("-wal")).size());
    return largest + (1 << 16) >= qint64(limit.rlim_cur);
#endif
}

TWriteFailureKind KindOf(int Code, int SystemErrno, const QString &Path)
{
    if (Code == SQLITE_IOERR_WRITE && OutOfRoom(Path))
        return TWriteFailureKind::wfDiskFull;
    switch (Code & 0xFF) {
    case SQLITE_FULL:
        return TWriteFailureKind::wfDiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return TWriteFailureKind::wfLocked;
    case SQLITE_IOERR:
        if (SystemErrno == ENOSPC || SystemErrno == EFBIG || SystemErrno == EDQUOT)
            return TWriteFailureKind::wfDiskFull;
        [[fallthrough]];
    default:
        return TWriteFailureKind::wfCannotWrite;
    }
}

} // namespace

TRecordingWriter::TRecordingWriter(const QString &Path, int BusyTimeoutMs)
    : FPath(Path), FBusyTimeoutMs(BusyTimeoutMs), FDb(std::make_unique<TSqlDatabase>())
{}

TRecordingWriter::~TRecordingWriter()
{
    FInsertFrame.reset();
    FInsertRecording.reset();
    FUpdateRecording.reset();
    FDb->Close();
}

TWriteFailure TRecordingWriter::FailureNow(int Code) const
{
    TWriteFailure failure;
    const bool open = FDb->IsOpen();
    if (Code == SQLITE_OK)
        Code = open ? FDb->ExtendedErrorCode() : SQLITE_CANTOPEN;
    failure.Kind = KindOf(Code, open ? sqlite3_system_errno(FDb->Handle()) : 0, FPath);
    failure.Reason = open && FDb->ExtendedErrorCode() == Code ? FDb->ErrorText() : QString();
    if (failure.Reason.isEmpty() || failure.Reason == QLatin1String("not an error"))
        failure.Reason = QString::fromUtf8(sqlite3_errstr(Code));
    return failure;
}

TWriteFailure TRecordingWriter::Connect()
{
    int code = FDb->Open(FPath, false);
    if (code == SQLITE_OK && sqlite3_db_readonly(FDb->Handle(), "main") == 1)
        code = SQLITE_READONLY;
    if (code == SQLITE_OK)
        code = ConfigureConnection(*FDb, FBusyTimeoutMs);
    if (code == SQLITE_OK && !HasRecordingTables(*FDb)) {
        code = FDb->ExtendedErrorCode();
        if (code == SQLITE_OK)
            code = SQLITE_CANTOPEN; // the file was replaced by something else
    }
    if (code == SQLITE_OK) {
        FLocks = std::make_unique<TLiveLocks>(FPath);
        if (!FLocks->IsOpen())
            code = SQLITE_CANTOPEN;
    }
    if (code != SQLITE_OK) {
        const TWriteFailure failure = FailureNow(code);
        FDb->Close();
        return failure;
    }
    sqlite3 *db = FDb->Handle();
    FInsertFrame = std::make_unique<TSqlStatement>(
        db, "INSERT INTO frame (recording, step, channel, ms, millivolts, milliamps, minutes, milliamphours, "
            "temperature, state, flags) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    FInsertRecording = std::make_unique<TSqlStatement>(
        db, "INSERT INTO recording (started_ms, com_number, device, frame_mode, description0, description1, "
            "description2, description3) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    FUpdateRecording = std::make_unique<TSqlStatement>(
        db, "UPDATE recording SET frame_mode = ?1, ended = ?2, frame_count = ?3, first_frame = ?4, last_frame = ?5, "
            "last_step = ?6, last_ms = ?7, charged = ?8, capacity0 = ?9, capacity1 = ?10, capacity2 = ?11, "
            "capacity3 = ?12, description0 = ?13, description1 = ?14, description2 = ?15, description3 = ?16 "
            "WHERE id = ?17");
    return {};
}

void TRecordingWriter::Write(const TRecorderBatch &Batch)
{
    std::uint32_t lastGeneration = FSummary.Generation;
    bool begins = false;
    for (const TRecorderBatch::TCommand &command : Batch.Commands)
        if (command.Kind == TRecorderBatch::TKind::Begin) {
            begins = true;
            lastGeneration = command.Generation;
        }
    // Frames of a recording given up, or of none, are dropped without touching the disk.
    if (!FSummary.Active && !begins)
        return;
    if (!FDb->IsOpen()) {
        const TWriteFailure failure = Connect();
        if (!failure.Reason.isEmpty()) {
            FSummary = {};
            FSummary.Generation = lastGeneration;
            Fail(failure);
            return;
        }
    }

    bool ok = FDb->Exec("BEGIN IMMEDIATE") == SQLITE_OK;
    std::size_t next = 0;
    auto insertUpTo = [&](std::size_t End) {
        for (; ok && next < End; ++next)
            if (FSummary.Active)
                ok = Insert(Batch.Frames[next]);
    };
    for (const TRecorderBatch::TCommand &command : Batch.Commands) {
        insertUpTo(command.At);
        if (!ok)
            break;
        ok = Apply(command);
    }
    insertUpTo(Batch.Frames.size());
    if (ok && FSummary.Active && FSummary.Dirty)
        ok = StoreSummary();
    if (ok)
        ok = FDb->Exec("COMMIT") == SQLITE_OK;

    if (ok) {
        for (const std::int64_t id : FEndedNow)
            FLocks->Release(id);
        FCommittedId = FSummary.Active ? FSummary.Id : 0;
    } else {
        // Nothing of this batch is kept; the newest recording in it is the one given up.
        const TWriteFailure failure = FailureNow();
        FDb->Exec("ROLLBACK");
        for (const std::int64_t id : FLockedNow)
            FLocks->Release(id);
        FSummary = {};
        FSummary.Generation = lastGeneration;
        FCommittedId = 0;
        Fail(failure);
    }
    FLockedNow.clear();
    FEndedNow.clear();
}

bool TRecordingWriter::Apply(const TRecorderBatch::TCommand &Command)
{
    using TKind = TRecorderBatch::TKind;
    if (Command.Kind == TKind::Begin) {
        FSummary = {};
        FSummary.Generation = Command.Generation;
        FSummary.StartedMs = Command.Start.StartedMs;
        FSummary.FrameMode = Command.Start.FrameMode;
        FSummary.Descriptions = Command.Start.Descriptions;
        TSqlStatement &insert = *FInsertRecording;
        insert.Bind(1, Command.Start.StartedMs);
        insert.Bind(2, std::int64_t(Command.Start.ComNumber));
        insert.Bind(3, Command.Start.Device);
        insert.Bind(4, std::int64_t(Command.Start.FrameMode));
        for (int i = 0; i < RecordedChannels; ++i)
            insert.Bind(5 + i, Command.Start.Descriptions[static_cast<std::size_t>(i)]);
        if (insert.Run() != SQLITE_DONE)
            return false;
        FSummary.Id = sqlite3_last_insert_rowid(FDb->Handle());
        // Ids are never reused (AUTOINCREMENT), so nobody else can hold this one.
        if (!FLocks->Hold(FSummary.Id))
            return false;
        FLockedNow.push_back(FSummary.Id);
        FSummary.Active = true;
        return true;
    }
    if (!FSummary.Active || Command.Generation != FSummary.Generation)
        return true;
    switch (Command.Kind) {
    case TKind::End:
        FSummary.Ended = true;
        FEndedNow.push_back(FSummary.Id);
        if (!StoreSummary())
            return false;
        FSummary.Active = false;
        return true;
    case TKind::FrameMode:
        FSummary.FrameMode = Command.FrameMode;
        break;
    case TKind::Description:
        FSummary.Descriptions[static_cast<std::size_t>(Command.Channel)] = Command.Text;
        break;
    case TKind::Begin:
        break;
    }
    FSummary.Dirty = true;
    return true;
}

bool TRecordingWriter::Insert(const TRecordedFrame &Frame)
{
    if (Frame.Channel >= RecordedChannels)
        return true;
    TSqlStatement &insert = *FInsertFrame;
    const std::int64_t ms = Frame.WallMs - FSummary.StartedMs;
    insert.Bind(1, FSummary.Id);
    insert.Bind(2, std::int64_t(Frame.Step));
    insert.Bind(3, std::int64_t(Frame.Channel));
    insert.Bind(4, ms);
    insert.Bind(5, std::int64_t(Frame.MilliVolts));
    insert.Bind(6, std::int64_t(Frame.MilliAmps));
    insert.Bind(7, std::int64_t(Frame.Minutes));
    insert.Bind(8, std::int64_t(Frame.MilliAmpHours));
    insert.Bind(9, std::int64_t(Frame.Temperature));
    insert.Bind(10, std::int64_t(Frame.State));
    insert.Bind(11, std::int64_t(Frame.Flag));
    if (insert.Run() != SQLITE_DONE)
        return false;
    const std::int64_t rowid = sqlite3_last_insert_rowid(FDb->Handle());
    if (FSummary.FirstFrame == 0)
        FSummary.FirstFrame = rowid;
    FSummary.LastFrame = rowid;
    ++FSummary.FrameCount;
    FSummary.LastStep = Frame.Step;
    FSummary.LastMs = ms;
    if (Frame.State == 2) // charging
        FSummary.Charged |= static_cast<std::uint8_t>(1u << Frame.Channel);
    if (Frame.Flag & 1)
        FSummary.Capacity[Frame.Channel] = Frame.MilliAmpHours;
    FSummary.Dirty = true;
    return true;
}

bool TRecordingWriter::StoreSummary()
{
    TSqlStatement &update = *FUpdateRecording;
    update.Bind(1, std::int64_t(FSummary.FrameMode));
    update.Bind(2, std::int64_t(FSummary.Ended ? 1 : 0));
    update.Bind(3, FSummary.FrameCount);
    update.Bind(4, FSummary.FirstFrame);
    update.Bind(5, FSummary.LastFrame);
    update.Bind(6, std::int64_t(FSummary.LastStep));
    update.Bind(7, FSummary.LastMs);
    update.Bind(8, std::int64_t(FSummary.Charged));
    for (int i = 0; i < RecordedChannels; ++i) {
        update.Bind(9 + i, std::int64_t(FSummary.Capacity[static_cast<std::size_t>(i)]));
        update.Bind(13 + i, FSummary.Descriptions[static_cast<std::size_t>(i)]);
    }
    update.Bind(17, FSummary.Id);
    FSummary.Dirty = false;
    return update.Run() == SQLITE_DONE;
}

void TRecordingWriter::Fail(const TWriteFailure &Failure)
{
    const std::uint32_t generation = FSummary.Generation;
    // A fresh connection for the next recording: this one may be in any state.
    FInsertFrame.reset();
    FInsertRecording.reset();
    FUpdateRecording.reset();
    FDb->Close();
    FLocks.reset();
    if (generation != 0 && generation != FFailedGeneration && OnFailure) {
        FFailedGeneration = generation;
        OnFailure(generation, Failure);
    }
}
