#include "LiveLocks.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>

namespace {

OVERLAPPED At(std::int64_t Id)
{
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(Id);
    where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(Id) >> 32);
    return where;
}

bool LockByte(void *Handle, std::int64_t Id)
{
    OVERLAPPED where = At(Id);
    return LockFileEx(Handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where);
}

void UnlockByte(void *Handle, std::int64_t Id)
{
    OVERLAPPED where = At(Id);
    UnlockFileEx(Handle, 0, 1, 0, &where);
}

} // namespace

TLiveLocks::TLiveLocks(const QString &DatabasePath)
{
    const QString name = QDir::toNativeSeparators(DatabasePath + QStringLiteral(".live"));
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    FHandle = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

TLiveLocks::~TLiveLocks()
{
    if (FHandle)
        CloseHandle(FHandle);
}

bool TLiveLocks::IsOpen() const { return FHandle != nullptr; }

bool TLiveLocks::Hold(std::int64_t Id) { return FHandle && LockByte(FHandle, Id); }

void TLiveLocks::Release(std::int64_t Id)
{
    if (FHandle)
        UnlockByte(FHandle, Id);
}

bool TLiveLocks::HeldElsewhere(std::int64_t Id) const
{
    if (!FHandle || !LockByte(FHandle, Id))
        return FHandle != nullptr;
    UnlockByte(FHandle, Id);
    return false;
}

#else
#include <fcntl.h>
#include <unistd.h>

namespace {

bool Lock(int Fd, int Command, short Type, std::int64_t Id, struct flock *Result = nullptr)
{
    struct flock lock = {};
    lock.l_type = Type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(Id);
    lock.l_len = 1;
    const bool done = fcntl(Fd, Command, &lock) == 0;
    if (Result)
        *Result = lock;
    return done;
}

} // namespace

TLiveLocks::TLiveLocks(const QString &DatabasePath)
{
    const QByteArray name = QFile::encodeName(DatabasePath + QStringLiteral(".live"));
    FFd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

TLiveLocks::~TLiveLocks()
{
    if (FFd >= 0)
        ::close(FFd);
}

bool TLiveLocks::IsOpen() const { return FFd >= 0; }

bool TLiveLocks::Hold(std::int64_t Id) { return FFd >= 0 && Lock(FFd, F_OFD_SETLK, F_WRLCK, Id); }

void TLiveLocks::Release(std::int64_t Id)
{
    if (FFd >= 0)
        Lock(FFd, F_OFD_SETLK, F_UNLCK, Id);
}

bool TLiveLocks::HeldElsewhere(std::int64_t Id) const
{
    struct flock found = {};
    if (FFd < 0 || !Lock(FFd, F_OFD_GETLK, F_WRLCK, Id, &found))
        return false;
    return found.l_type != F_UNLCK;
}
#endif
