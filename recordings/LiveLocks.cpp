#include "LiveLocks.h"

#include <QFile>

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
