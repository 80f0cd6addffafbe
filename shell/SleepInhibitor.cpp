#include "SleepInhibitor.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <optional>
#endif

namespace {

#ifdef Q_OS_WIN

class TExecutionStateInhibitor final : public TSleepInhibitor
{
public:
    ~TExecutionStateInhibitor() override { Release(); }

    bool Acquire(const QString &) override
    {
        FHeld = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
        return FHeld;
    }

    void Release() override
    {
        if (FHeld)
            SetThreadExecutionState(ES_CONTINUOUS);
        FHeld = false;
    }

private:
    bool FHeld = false;
};

#else

const QString AppName = QStringLiteral("Korvane");
const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
// A service that does not answer must not hold the window up for long.
constexpr int CallTimeout = 2000;

class TDBusSleepInhibitor final : public TSleepInhibitor
{
public:
    ~TDBusSleepInhibitor() override { Release(); }

    bool Acquire(const QString &Why) override
    {
        if (FLock.isValid() || FCookie)
            return true;
        return AcquireLogin(Why) || AcquireScreenSaver(Why);
    }

    void Release() override
    {
        // logind drops the lock when the last copy of its descriptor closes.
        FLock = QDBusUnixFileDescriptor();
        if (!FCookie)
            return;
        QDBusMessage call = QDBusMessage::createMethodCall(ScreenSaverService, FScreenSaverPath, ScreenSaverService,
                                                           QStringLiteral("UnInhibit"));
        call << *FCookie;
        // Blocking, so that the release is on the bus before the program ends.
        QDBusConnection::sessionBus().call(call, QDBus::Block, CallTimeout);
        FCookie.reset();
    }

private:
    bool AcquireLogin(const QString &Why)
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep:idle") << AppName << Why << QStringLiteral("block");
        const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, CallTimeout);
        if (!reply.isValid() || !reply.value().isValid())
            return false;
        FLock = reply.value();
        return true;
    }

    bool AcquireScreenSaver(const QString &Why)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        // Desktops serve the interface on either path.
        for (const QString &path : {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
            QDBusMessage call =
                QDBusMessage::createMethodCall(ScreenSaverService, path, ScreenSaverService, QStringLiteral("Inhibit"));
            call << AppName << Why;
            const QDBusReply<uint> reply = bus.call(call, QDBus::Block, CallTimeout);
            if (reply.isValid()) {
                FCookie = reply.value();
                FScreenSaverPath = path;
                return true;
            }
            if (reply.error().type() == QDBusError::ServiceUnknown || reply.error().type() == QDBusError::NoReply)
                return false;
        }
        return false;
    }

    QDBusUnixFileDescriptor FLock;
    std::optional<uint> FCookie;
    QString FScreenSaverPath;
};

#endif

} // namespace

std::unique_ptr<TSleepInhibitor> MakeSleepInhibitor()
{
#ifdef Q_OS_WIN
    return std::make_unique<TExecutionStateInhibitor>();
#else
    return std::make_unique<TDBusSleepInhibitor>();
#endif
}
