#pragma once
// A D-Bus daemon of the test's own, started from Debian's dbus-daemon, standing in for the
// desktop's session bus (or the system bus): the program's real calls go over it. While it
// lives, DBUS_SESSION_BUS_ADDRESS (or DBUS_SYSTEM_BUS_ADDRESS) of this process and its children
// names it. Create it before the first D-Bus use of the process.
#include <QProcess>
#include <QString>

class TPrivateBus
{
public:
    enum TKind { Session, System };
    explicit TPrivateBus(TKind Kind = Session);
    ~TPrivateBus();
    TPrivateBus(const TPrivateBus &) = delete;
    TPrivateBus &operator=(const TPrivateBus &) = delete;

    bool IsValid() const { return !FAddress.isEmpty(); }
    QString Address() const { return FAddress; }

private:
    QProcess FDaemon;
    QString FAddress;
    QByteArray FVariable;
    QByteArray FEarlier;
};
