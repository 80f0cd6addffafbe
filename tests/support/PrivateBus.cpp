#include "PrivateBus.h"

#include <QDeadlineTimer>

TPrivateBus::TPrivateBus(TKind Kind)
    : FVariable(Kind == Session ? "DBUS_SESSION_BUS_ADDRESS" : "DBUS_SYSTEM_BUS_ADDRESS"),
      FEarlier(qgetenv(FVariable.constData()))
{
    // The session configuration lets any local client talk to any other, as tests need.
    FDaemon.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!FDaemon.waitForStarted(5000))
        return;
    QDeadlineTimer deadline(5000);
    while (!FDaemon.canReadLine() && !deadline.hasExpired())
        FDaemon.waitForReadyRead(100);
    FAddress = QString::fromLocal8Bit(FDaemon.readLine()).trimmed();
    if (!FAddress.isEmpty())
        qputenv(FVariable.constData(), FAddress.toLocal8Bit());
}

TPrivateBus::~TPrivateBus()
{
    if (FEarlier.isEmpty())
        qunsetenv(FVariable.constData());
    else
        qputenv(FVariable.constData(), FEarlier);
    FDaemon.terminate();
    FDaemon.waitForFinished(5000);
}
