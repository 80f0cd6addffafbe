#include "FileReplacement.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool WriteThrough(const QString &FileName, const std::function<bool(QIODevice &)> &Content)
{
    QSaveFile file(FileName);
    return file.open(QIODevice::WriteOnly) && Content(file) && file.commit();
}

#ifndef Q_OS_WIN
enum class TTargetKind { Missing, Regular, Other };

TTargetKind KindOf(const QByteArray &Path, struct stat &Info)
{
    if (::stat(Path.constData(), &Info) == 0)
        return S_ISREG(Info.st_mode) ? TTargetKind::Regular : TTargetKind::Other;
    // A link that leads nowhere would be replaced by a file of ours: not ours to replace.
    struct stat link = {};
    return ::lstat(Path.constData(), &link) == 0 ? TTargetKind::Other : TTargetKind::Missing;
}

bool WriteAll(int Descriptor, const char *Data, qint64 Size)
{
    while (Size > 0) {
        const ssize_t written = ::write(Descriptor, Data, static_cast<size_t>(Size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        Data += written;
        Size -= written;
    }
    return true;
}

// For a file with further hard links, or one whose owner a new file could not take on: the
// content is written completely to a temporary file first, then copied into the file itself.
bool WriteInPlace(const QString &FileName, const QByteArray &Path, const struct stat &Earlier,
                  const std::function<bool(QIODevice &)> &Content)
{
    QTemporaryFile staged(QFileInfo(FileName).absolutePath() + QStringLiteral("/.korvane-XXXXXX"));
    if (!staged.open() || !Content(staged) || !staged.flush() || !staged.seek(0))
        return false;
    const int target = ::open(Path.constData(), O_WRONLY | O_CLOEXEC);
    if (target < 0)
        return false;
    bool copied = true;
    qint64 size = 0;
    while (copied) {
        const QByteArray block = staged.read(1 << 20);
        if (block.isEmpty())
            break;
        copied = WriteAll(target, block.constData(), block.size());
        size += block.size();
    }
    copied = copied && staged.atEnd() && ::ftruncate(target, size) == 0 && ::fsync(target) == 0;
    copied = ::close(target) == 0 && copied;
    if (!copied) {
        // The earlier content is gone already; the complete new content takes the name instead.
        staged.setAutoRemove(false);
        [[maybe_unused]] const int owned = ::fchown(staged.handle(), Earlier.st_uid, Earlier.st_gid);
        ::fchmod(staged.handle(), Earlier.st_mode & 07777);
        staged.close();
        if (::rename(QFile::encodeName(staged.fileName()).constData(), Path.constData()) != 0) {
            QFile::remove(staged.fileName());
            return false;
        }
    }
    return true;
}
#endif

} // namespace

bool FileTargetExists(const QString &FileName)
{
    const QFileInfo info(FileName);
    return info.exists() || info.isSymLink();
}

bool ReplaceFile(const QString &FileName, const std::function<bool(QIODevice &)> &Content)
{
#ifdef Q_OS_WIN
    return WriteThrough(FileName, Content);
#else
    const QByteArray path = QFile::encodeName(FileName);
    struct stat earlier = {};
    switch (KindOf(path, earlier)) {
    case TTargetKind::Missing:
        return WriteThrough(FileName, Content);
    case TTargetKind::Other:
        return false;
    case TTargetKind::Regular:
        break;
    }
    if (earlier.st_nlink == 1) {
        QSaveFile file(FileName);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        const int handle = file.handle();
        const bool sameOwner = ::fchown(handle, earlier.st_uid, earlier.st_gid) == 0;
        if (sameOwner)
            return ::fchmod(handle, earlier.st_mode & 07777) == 0 && Content(file) && file.commit();
        file.cancelWriting();
    }
    return WriteInPlace(FileName, path, earlier, Content);
#endif
}
