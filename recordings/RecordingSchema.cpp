#include "RecordingSchema.h"

#include "Sqlite.h"

#include <sqlite3.h>

namespace {

// Frames carry their recording and are found by the range of row ids the recording took,
// so no index costs space or time per frame; the time is kept as milliseconds since the
// recording's start, which takes four bytes instead of six.
const char *const SchemaSql = R"sql(
CREATE TABLE recording (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  started_ms INTEGER NOT NULL,
  com_number INTEGER NOT NULL,
  device TEXT NOT NULL,
  frame_mode INTEGER NOT NULL DEFAULT 0,
  ended INTEGER NOT NULL DEFAULT 0,
  frame_count INTEGER NOT NULL DEFAULT 0,
  first_frame INTEGER,
  last_frame INTEGER,
  last_step INTEGER NOT NULL DEFAULT 0,
  last_ms INTEGER NOT NULL DEFAULT 0,
  charged INTEGER NOT NULL DEFAULT 0,
  capacity0 INTEGER NOT NULL DEFAULT 0,
  capacity1 INTEGER NOT NULL DEFAULT 0,
  capacity2 INTEGER NOT NULL DEFAULT 0,
  capacity3 INTEGER NOT NULL DEFAULT 0,
  description0 TEXT NOT NULL DEFAULT '',
  description1 TEXT NOT NULL DEFAULT '',
  description2 TEXT NOT NULL DEFAULT '',
  description3 TEXT NOT NULL DEFAULT ''
);
CREATE TABLE frame (
  recording INTEGER NOT NULL,
  step INTEGER NOT NULL,
  channel INTEGER NOT NULL,
  ms INTEGER NOT NULL,
  millivolts INTEGER NOT NULL,
  milliamps INTEGER NOT NULL,
  minutes INTEGER NOT NULL,
  milliamphours INTEGER NOT NULL,
  temperature INTEGER NOT NULL,
  state INTEGER NOT NULL,
  flags INTEGER NOT NULL
);
)sql";

} // namespace

bool HasRecordingTables(TSqlDatabase &Db)
{
    return Db.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('recording', 'frame')",
                       0) == 2;
}

int CreateRecordingSchema(TSqlDatabase &Db)
{
    // Deleted recordings give their pages back to the disk (only possible before the first table).
    Db.Exec("PRAGMA auto_vacuum = INCREMENTAL");
    if (int code = Db.Exec("BEGIN IMMEDIATE"); code != SQLITE_OK)
        return code;
    int code = SQLITE_OK;
    // Another copy may have made them while this one waited for the lock.
    if (Db.QueryInt("PRAGMA user_version", -1) == 0 && !HasRecordingTables(Db)) {
        code = Db.Exec(SchemaSql);
        if (code == SQLITE_OK)
            code = Db.Exec(QByteArray("PRAGMA user_version = " + QByteArray::number(RecordingSchemaVersion)));
    }
    if (code == SQLITE_OK)
        code = Db.Exec("COMMIT");
    if (code != SQLITE_OK)
        Db.Exec("ROLLBACK");
    return code;
}

int ConfigureConnection(TSqlDatabase &Db, int BusyTimeoutMs)
{
    sqlite3_busy_timeout(Db.Handle(), BusyTimeoutMs);
    // A frame committed is on the disk when the commit returns: a power cut loses at most
    // what was waiting for the next commit.
    if (int code = Db.Exec("PRAGMA synchronous = FULL"); code != SQLITE_OK)
        return code;
    TSqlStatement journal(Db.Handle(), "PRAGMA journal_mode = WAL");
    const int code = journal.Step();
    if (code != SQLITE_ROW)
        return code;
    return journal.Text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0 ? SQLITE_OK : SQLITE_READONLY;
}
