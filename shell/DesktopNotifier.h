#pragma once
// Shows a charge notice on the desktop: through the freedesktop notification service on the
// session bus; where none answers, as the tray icon's message. Either way the window asks
// for attention.
#include "ChargeNotices.h"

#include <QObject>

#include <functional>

class QSystemTrayIcon;
class QWidget;

enum class TNoticeRoute : std::uint8_t { nrNone, nrBus, nrTray };
using enum TNoticeRoute;

class TDesktopNotifier : public QObject, public TNoticeSink
{
    Q_OBJECT
public:
    TDesktopNotifier(QWidget &Window, std::function<QSystemTrayIcon *()> TrayIcon);

    void ShowNotice(const TChargeNotice &Notice) override;

    // The way the last notice went, once it is known.
    TNoticeRoute LastRoute() const { return FLastRoute; }

signals:
    void NoticeShown(TNoticeRoute Route);

private:
    void ShowInTray(const TChargeNotice &Notice);

    QWidget &FWindow;
    std::function<QSystemTrayIcon *()> FTrayIcon;
    TNoticeRoute FLastRoute = nrNone;
};
