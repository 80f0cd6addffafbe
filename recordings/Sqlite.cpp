#include "Sqlite.h"

#include <sqlite3.h>

#include <utility>

TSqlStatement::TSqlStatement(sqlite3 *Db, const char *Sql)
{
    FPrepareCode = sqlite3_prepare_v3(Db, Sql, -1, SQLITE_PREPARE_PERSISTENT, &FStmt, nullptr);
    if (FPrepareCode != SQLITE_OK) {
        sqlite3_finalize(FStmt);
        FStmt = nullptr;
    }
}

TSqlStatement::~TSqlStatement() { sqlite3_finalize(FStmt); }

TSqlStatement::TSqlStatement(TSqlStatement &&Other) noexcept
    : FStmt(std::exchange(Other.FStmt, nullptr)), FPrepareCode(Other.FPrepareCode)
{}

TSqlStatement &TSqlStatement::operator=(TSqlStatement &&Other) noexcept
{
    if (this != &Other) {
        sqlite3_finalize(FStmt);
        FStmt = std::exchange(Other.FStmt, nullptr);
        FPrepareCode = Other.FPrepareCode;
    }
    return *this;
}

void TSqlStatement::Bind(int Index, std::int64_t Value)
{
    if (FStmt)
        sqlite3_bind_int64(FStmt, Index, Value);
}

void TSqlStatement::Bind(int Index, const QString &Value)
{
    if (!FStmt)
        return;
    const QByteArray utf8 = Value.toUtf8();
    sqlite3_bind_text(FStmt, Index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

int TSqlStatement::Step()
{
    if (!FStmt)
        return FPrepareCode != SQLITE_OK ? FPrepareCode : SQLITE_MISUSE;
    return sqlite3_step(FStmt);
}

int TSqlStatement::Run()
{
    const int code = Step();
    Reset();
    return code == SQLITE_ROW ? SQLITE_DONE : code;
}

void TSqlStatement::Reset()
{
    if (FStmt)
        sqlite3_reset(FStmt);
}

std::int64_t TSqlStatement::Int(int Column) const { return sqlite3_column_int64(FStmt, Column); }

QString TSqlStatement::Text(int Column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(FStmt, Column));
    return QString::fromUtf8(text, sqlite3_column_bytes(FStmt, Column));
}

int TSqlDatabase::Open(const QString &Path, bool ReadOnly)
{
    Close();
    const int flags = ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(Path.toUtf8().constData(), &FDb, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        Close();
        return code;
    }
    sqlite3_extended_result_codes(FDb, 1);
    return SQLITE_OK;
}

void TSqlDatabase::Close()
{
    if (FDb)
        sqlite3_close_v2(FDb);
    FDb = nullptr;
}

int TSqlDatabase::Exec(const char *Sql)
{
    return FDb ? sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

std::int64_t TSqlDatabase::QueryInt(const char *Sql, std::int64_t Fallback)
{
    TSqlStatement query(FDb, Sql);
    return query.Step() == SQLITE_ROW ? query.Int(0) : Fallback;
}

int TSqlDatabase::QueryValue(const char *Sql, std::int64_t &Value)
{
    TSqlStatement query(FDb, Sql);
    const int code = query.Step();
    if (code != SQLITE_ROW)
        return code == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(FDb);
    Value = query.Int(0);
    return SQLITE_OK;
}

QString TSqlDatabase::ErrorText() const { return FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QString(); }

int TSqlDatabase::ExtendedErrorCode() const { return FDb ? sqlite3_extended_errcode(FDb) : SQLITE_CANTOPEN; }
