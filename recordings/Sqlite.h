#pragma once
// Thin owners of an SQLite connection and its prepared statements, for this library only.
// One thread at a time uses a connection.
#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class TSqlStatement
{
public:
    TSqlStatement() = default;
    TSqlStatement(sqlite3 *Db, const char *Sql);
    ~TSqlStatement();
    TSqlStatement(TSqlStatement &&Other) noexcept;
    TSqlStatement &operator=(TSqlStatement &&Other) noexcept;
    TSqlStatement(const TSqlStatement &) = delete;
    TSqlStatement &operator=(const TSqlStatement &) = delete;

    bool Valid() const { return FStmt != nullptr; }
    void Bind(int Index, std::int64_t Value);
    void Bind(int Index, const QString &Value);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Step once, then reset for the next use: SQLITE_DONE on success.
    int Run();
    void Reset();
    std::int64_t Int(int Column) const;
    QString Text(int Column) const;

private:
    sqlite3_stmt *FStmt = nullptr;
    // The connection's code when preparing failed.
    int FPrepareCode = 0;
};

class TSqlDatabase
{
public:
    TSqlDatabase() = default;
    ~TSqlDatabase() { Close(); }
    TSqlDatabase(const TSqlDatabase &) = delete;
    TSqlDatabase &operator=(const TSqlDatabase &) = delete;

    // SQLITE_OK or the error code; the connection is closed again on failure.
    int Open(const QString &Path, bool ReadOnly);
    void Close();
    bool IsOpen() const { return FDb != nullptr; }
    sqlite3 *Handle() const { return FDb; }
    // Runs statements without results: SQLITE_OK or the error code.
    int Exec(const char *Sql);
    int Exec(const QByteArray &Sql) { return Exec(Sql.constData()); }
    // The first column of the first row of a one-value query, or Fallback.
    std::int64_t QueryInt(const char *Sql, std::int64_t Fallback = -1);
    // The same, with SQLITE_OK or the error code.
    int QueryValue(const char *Sql, std::int64_t &Value);
    QString ErrorText() const;
    int ExtendedErrorCode() const;

private:
    sqlite3 *FDb = nullptr;
};
