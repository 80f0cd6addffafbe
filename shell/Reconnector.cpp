#include "Reconnector.h"

#include <QDir>
#include <QFileInfo>

TReconnector::TReconnector(QObject *Owner) : QObject(Owner)
{
    connect(&FWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { FolderChanged(); });
}

QString TReconnector::StableName(const QString &Device, const QString &Folder)
{
    const QString target = QFileInfo(Device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir folder(Folder);
    for (const QFileInfo &link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return {};
}

void TReconnector::Remember(const QString &Device)
{
    Stop();
    const QString stable = StableName(Device);
    FName = stable.isEmpty() ? Device : stable;
}

bool TReconnector::Wait()
{
    if (FName.isEmpty())
        return false;
    if (FWaiting)
        return true;
    // The folder itself may go with the last adapter (by-id): then its parent is watched.
    QString folder = QFileInfo(FName).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QStringLiteral("/"))
        folder = QFileInfo(folder).absolutePath();
    FWaiting = FWatcher.addPath(folder);
    return FWaiting;
}

void TReconnector::Stop()
{
    FWaiting = false;
    if (!FWatcher.directories().isEmpty())
        FWatcher.removePaths(FWatcher.directories());
}

void TReconnector::FolderChanged()
{
    if (!FWaiting)
        return;
    if (!QFileInfo::exists(FName)) {
        // A missing folder on the way came back: watch the nearer one.
        const QString folder = QFileInfo(FName).absolutePath();
        if (QFileInfo(folder).isDir() && !FWatcher.directories().contains(folder)) {
            FWatcher.removePaths(FWatcher.directories());
            FWatcher.addPath(folder);
        }
        return;
    }
    Stop();
    if (OnBack)
        OnBack();
}
