#pragma once
// Which recordings a running copy of the program is writing. A writer holds a lock on one
// byte of the file "<database>.live" at the recording's id; the system lets it go when the
// process ends in any way, kill -9 too, so an unfinished recording whose byte is free was left
// by a copy that no longer runs. Locks belong to the open file, so two stores in one process
// see each other's locks as well.
#include <QString>
#include <QtGlobal>

#include <cstdint>

class TLiveLocks
{
public:
    explicit TLiveLocks(const QString &DatabasePath);
    ~TLiveLocks();
    TLiveLocks(const TLiveLocks &) = delete;
    TLiveLocks &operator=(const TLiveLocks &) = delete;

    bool IsOpen() const;
    // False when another holder has it or the file cannot be locked.
    bool Hold(std::int64_t Id);
    void Release(std::int64_t Id);
    // True when somebody else holds the recording's byte.
    bool HeldElsewhere(std::int64_t Id) const;

private:
#ifdef Q_OS_WIN
    void *FHandle = nullptr; // the file's HANDLE; its byte-range locks go with the process too
#else
    int FFd = -1;
#endif
};
