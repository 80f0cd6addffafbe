#include "DesktopNotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>
#include <QWidget>

namespace {
constexpr int NoticeExpiry = -1; // the server's default
}

TDesktopNotifier::TDesktopNotifier(QWidget &Window, std::function<QSystemTrayIcon *()> TrayIcon)
    : QObject(&Window), FWindow(Window), FTrayIcon(std::move(TrayIcon))
{}

void TDesktopNotifier::ShowNotice(const TChargeNotice &Notice)
{
    QApplication::alert(&FWindow);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        ShowInTray(Notice);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Korvane") << 0u << QString() << Notice.Summary << Notice.Body << QStringList()
         << QVariantMap() << NoticeExpiry;
    // Not waited for: a service that is missing or fails answers with an error, and the
    // tray shows the notice then.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, Notice](QDBusPendingCallWatcher *Call) {
        Call->deleteLater();
        if (Call->isError()) {
            ShowInTray(Notice);
            return;
        }
        FLastRoute = nrBus;
        emit NoticeShown(nrBus);
    });
}

void TDesktopNotifier::ShowInTray(const TChargeNotice &Notice)
{
    if (QSystemTrayIcon *tray = FTrayIcon ? FTrayIcon() : nullptr)
        tray->showMessage(Notice.Summary, Notice.Body, QSystemTrayIcon::Information);
    FLastRoute = nrTray;
    emit NoticeShown(nrTray);
}
