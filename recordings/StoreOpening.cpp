// Opening the database: a file that is no database of ours, or a truncated one, is moved
// aside under a new name and a new database made in its place; what cannot be written leaves
// the store unavailable, and the window records in memory only.
#include "LiveLocks.h"
#include "RecordingSchema.h"
#include "RecordingStore.h"
#include "Sqlite.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sqlite3.h>

#include <map>
#include <mutex>

namespace {

// Closing any descriptor of the database file drops every lock that this process's connections
// hold on it (record locks belong to the process), and another copy of the program may then
// checkpoint and remove the shared index under them. So the header is read only while no store
// of this process has the file open.
std::mutex OpenHereMutex;
std::map<QString, int> &OpenHere()
{
    static std::map<QString, int> paths;
    return paths;
}

bool IsOpenHere(const QString &Path)
{
    const std::lock_guard lock(OpenHereMutex);
    return OpenHere().contains(Path);
}

enum class THeader { Empty, Plausible, Damaged };

std::uint32_t BigEndian32(const QByteArray &Bytes, int At)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<std::uint8_t>(Bytes[At + i]);
    return value;
}

// What the first page says about the file, before SQLite is trusted with it. A truncated file
// still opens and only fails at the first page beyond its end, perhaps in the middle of a
// recording, so it is caught here by its size.
THeader ProbeHeader(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return THeader::Plausible; // SQLite tells why
    const qint64 size = file.size();
    if (size == 0)
        return THeader::Empty;
    const QByteArray head = file.read(100);
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return THeader::Damaged;
    const std::uint32_t rawPageSize = static_cast<std::uint8_t>(head[16]) << 8 | static_cast<std::uint8_t>(head[17]);
    const qint64 pageSize = rawPageSize == 1 ? 65536 : rawPageSize;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return THeader::Damaged;
    // While a write-ahead log holds pages, the main file may lag behind its own header.
    if (QFileInfo(Path + QStringLiteral("-wal")).size() > 0)
        return THeader::Plausible;
    const std::uint32_t pages = BigEndian32(head, 28);
    const bool pagesValid = pages != 0 && BigEndian32(head, 24) == BigEndian32(head, 92);
    if (size % pageSize != 0 || (pagesValid && size < qint64(pages) * pageSize))
        return THeader::Damaged;
    return THeader::Plausible;
}

bool IsDamage(int Code)
{
    const int primary = Code & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// Renames the file, and a log and index that belong to it, to a name not yet taken.
bool MoveAside(const QString &Path, QString &NewName, QString &Reason)
{
    const QString base = Path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    NewName = base;
    for (int n = 2; QFileInfo::exists(NewName) || QFileInfo::exists(NewName + QStringLiteral("-wal")); ++n)
        NewName = base + QLatin1Char('-') + QString::number(n);
    QFile file(Path);
    if (!file.rename(NewName)) {
        Reason = file.errorString();
        return false;
    }
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFileInfo::exists(Path + suffix))
            QFile::rename(Path + suffix, NewName + suffix);
    return true;
}

// Looks at what the file holds before anything changes it (setting the journal mode writes):
// someone else's database must be moved aside as it was.
int CheckContent(TSqlDatabase &Db, int BusyTimeoutMs, bool &Newer)
{
    sqlite3_busy_timeout(Db.Handle(), BusyTimeoutMs);
    std::int64_t version = 0;
    std::int64_t objects = 0;
    if (int code = Db.QueryValue("PRAGMA user_version", version); code != SQLITE_OK)
        return code;
    if (int code = Db.QueryValue("SELECT count(*) FROM sqlite_master", objects); code != SQLITE_OK)
        return code;
    if (version > RecordingSchemaVersion) {
        Newer = true;
        return SQLITE_OK;
    }
    if (version == 0 && objects == 0) {
        const int code = ConfigureConnection(Db, BusyTimeoutMs);
        return code == SQLITE_OK ? CreateRecordingSchema(Db) : code;
    }
    if (!HasRecordingTables(Db))
        return SQLITE_NOTADB; // someone else's database, or ours without its tables
    if (int code = ConfigureConnection(Db, BusyTimeoutMs); code != SQLITE_OK)
        return code;
    // Reading a table now finds a damaged page before a recording depends on it.
    std::int64_t recordings = 0;
    return Db.QueryValue("SELECT count(*) FROM recording", recordings);
}

} // namespace

void TRecordingStore::Register(const QString &Path)
{
    Unregister();
    const std::lock_guard lock(OpenHereMutex);
    FRegistered = QFileInfo(Path).absoluteFilePath();
    ++OpenHere()[FRegistered];
}

void TRecordingStore::Unregister()
{
    if (FRegistered.isEmpty())
        return;
    const std::lock_guard lock(OpenHereMutex);
    if (--OpenHere()[FRegistered] <= 0)
        OpenHere().erase(FRegistered);
    FRegistered.clear();
}

TStoreOpening TRecordingStore::Open(const QString &Path)
{
    Unregister();
    FPath = Path;
    FLocks.reset();
    FDb = std::make_unique<TSqlDatabase>();
    FOpening = {};
    auto unavailable = [this](const QString &Reason) {
        FDb->Close();
        FOpening.Status = TStoreStatus::ssUnavailable;
        FOpening.Reason = Reason;
        return FOpening;
    };

    const QFileInfo info(Path);
    if ((info.exists() || info.isSymLink()) && !info.isFile())
        return unavailable(QStringLiteral("%1 is not a file").arg(Path));
    if (!QDir().mkpath(info.absolutePath()))
        return unavailable(QStringLiteral("cannot make the folder %1").arg(info.absolutePath()));

    bool renewed = false;
    bool newer = false;
    const QDeadlineTimer waited(BusyTimeoutMs);
    for (;;) {
        const bool openHere = !renewed && IsOpenHere(info.absoluteFilePath());
        const THeader header = !info.exists() ? THeader::Empty : openHere ? THeader::Plausible : ProbeHeader(Path);
        int code = SQLITE_NOTADB;
        if (header != THeader::Damaged) {
            code = FDb->Open(Path, false);
            if (code == SQLITE_OK && sqlite3_db_readonly(FDb->Handle(), "main") == 1)
                code = SQLITE_READONLY;
            if (code == SQLITE_OK)
                code = CheckContent(*FDb, BusyTimeoutMs, newer);
        }
        if (code == SQLITE_OK)
            break;
        // Two copies making the file at once: the one that finds the other's schema half made
        // gets no busy wait from SQLite (its read cannot become a write), so it starts again.
        const int primary = code & 0xFF;
        if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && !waited.hasExpired()) {
            FDb->Close();
            QThread::msleep(20);
            continue;
        }
        const QString reason = FDb->IsOpen() ? FDb->ErrorText() : QString::fromUtf8(sqlite3_errstr(code));
        FDb->Close();
        if (!IsDamage(code) || renewed)
            return unavailable(reason);
        QString why;
        if (!MoveAside(Path, FOpening.MovedAsideTo, why))
            return unavailable(why);
        renewed = true;
    }

    if (newer) {
        FDb->Close();
        if (FDb->Open(Path, true) != SQLITE_OK)
            return unavailable(FDb->ErrorText());
        sqlite3_busy_timeout(FDb->Handle(), BusyTimeoutMs);
        FOpening.Status = TStoreStatus::ssReadOnly;
        FOpening.Reason = QStringLiteral("made by a newer version of the program");
    } else {
        FOpening.Status = renewed ? TStoreStatus::ssRenewed : TStoreStatus::ssReady;
    }
    FLocks = std::make_unique<TLiveLocks>(Path);
    Register(Path);
    return FOpening;
}
