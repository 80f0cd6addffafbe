#pragma once
// Waiting for a vanished serial adapter to come back: the name it had (its /dev/serial/by-id
// link where it has one, else the device path the port opened) is watched through change
// notices on the folder that holds it, so nothing wakes up while nothing happens.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <functional>

class TReconnector : public QObject
{
public:
    explicit TReconnector(QObject *Owner = nullptr);

    // The adapter is back under its name.
    std::function<void()> OnBack;

    // The port opened Device: the name to watch should it vanish.
    void Remember(const QString &Device);
    // The adapter vanished, or came back but would not open yet: wait for the next change of
    // its folder. False when there is no name to wait for.
    bool Wait();
    void Stop();
    bool Waiting() const { return FWaiting; }
    const QString &WatchedName() const { return FName; }

    // The by-id link in Folder that leads to Device, else empty.
    static QString StableName(const QString &Device, const QString &Folder = QStringLiteral("/dev/serial/by-id"));

private:
    void FolderChanged();

    QFileSystemWatcher FWatcher;
    QString FName;
    bool FWaiting = false;
};
