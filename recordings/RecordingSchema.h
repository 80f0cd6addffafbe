#pragma once
// The tables of the recording store (docs/recordings.md) and their version, kept in
// PRAGMA user_version: a later build reads every older version; a newer one is read only.
class TSqlDatabase;

inline constexpr int RecordingSchemaVersion = 1;

// Creates the tables in an empty database and stamps the version, in one transaction, so a
// second copy creating them at the same moment finds them complete. SQLITE_OK or the code.
int CreateRecordingSchema(TSqlDatabase &Db);
// True when the database holds the tables this build reads.
bool HasRecordingTables(TSqlDatabase &Db);
// Journal, durability and waiting rules every connection uses. SQLITE_OK or the code.
int ConfigureConnection(TSqlDatabase &Db, int BusyTimeoutMs);
