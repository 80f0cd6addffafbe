// Keeping the computer awake while a channel charges, through the real main window: the sleep
// locks it takes and gives back are checked on private buses, at services of the test's own.
#include "MainFixture.h"
#include "resources/Texts.h"
#include "shell/AppModule.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/TempConfig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QMutex>
#include <QThread>

#include <poll.h>
#include <unistd.h>

namespace {

// What a service was asked, one entry a call.
class TCallLog
{
public:
    void Add(const QString &Call)
    {
        const QMutexLocker lock(&FMutex);
        FCalls << Call;
    }
    QStringList Take()
    {
        const QMutexLocker lock(&FMutex);
        return std::exchange(FCalls, {});
    }

private:
    QMutex FMutex;
    QStringList FCalls;
};

class TScreenSaverService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    TCallLog Log;

public slots:
    uint Inhibit(const QString &App, const QString &Reason)
    {
        Log.Add(QStringLiteral("Inhibit %1 %2 %3").arg(App, Reason).arg(++FCookie));
        return FCookie;
    }
    void UnInhibit(uint Cookie) { Log.Add(QStringLiteral("UnInhibit %1").arg(Cookie)); }

private:
    uint FCookie = 40;
};

// logind's manager: each lock is the write end of a pipe whose read end the test keeps, so
// that the end of file shows the program closed its copy.
class TLoginService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    TCallLog Log;
    QList<int> ReadEnds;
    ~TLoginService() override
    {
        for (int fd : ReadEnds)
            ::close(fd);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &What, const QString &Who, const QString &Why, const QString &Mode)
    {
        Log.Add(QStringList{QStringLiteral("Inhibit"), What, Who, Why, Mode}.join(QLatin1Char(' ')));
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        ReadEnds << fds[0];
        QDBusUnixFileDescriptor lock(fds[1]);
        ::close(fds[1]);
        return lock;
    }
};

bool WriteEndsClosed(int ReadEnd)
{
    pollfd poller{ReadEnd, POLLIN, 0};
    char byte;
    return ::poll(&poller, 1, 0) == 1 && ::read(ReadEnd, &byte, 1) == 0;
}

QString PortHint(TMainFixture &F) { return F.Form->StatusBarPanels->Panels[0]->toolTip(); }

bool HintSaysAwake(TMainFixture &F) { return PortHint(F).contains(LoadStr(TTextId::PortKeepingAwake)); }

void SetKeepAwake(TMainFixture &F, bool On)
{
    TUnattendedOptions options = F.Form->Unattended();
    options.KeepAwake = On;
    F.Form->SetUnattended(options);
}

// Channel Charging draws 1500 mA, the others nothing.
void FeedCharging(TMainFixture &F, int Charging)
{
    for (int channel = 0; channel < ChannelCount; ++channel)
        F.Feed(MakeFrame(channel, 4100, channel == Charging ? 1500 : 0, 3, 120));
}

} // namespace

class TestKeepAwake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
        QVERIFY(FSessionBus.IsValid());
        QVERIFY(FSystemBus.IsValid());
        FServices.start();
        FScreenSaver.moveToThread(&FServices);
        FLogin.moveToThread(&FServices);
        // The services answer on connections of their own, so the program's blocking calls
        // really go through the daemons.
        QDBusConnection session = QDBusConnection::connectToBus(FSessionBus.Address(), QStringLiteral("fake-session"));
        QVERIFY(session.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QVERIFY(session.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &FScreenSaver,
                                       QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-session"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-system"));
        FServices.quit();
        FServices.wait();
    }

    // Without logind the screen saver's lock is taken once while any channel charges, and the
    // same cookie is given back however the charging ends.
    void ScreenSaverLockFollowsCharging_data()
    {
        QTest::addColumn<QString>("End");
        QTest::newRow("all channels idle") << QStringLiteral("idle");
        QTest::newRow("port closed") << QStringLiteral("close");
        QTest::newRow("option off") << QStringLiteral("option");
        QTest::newRow("program ends") << QStringLiteral("end");
    }

    void ScreenSaverLockFollowsCharging()
    {
        QFETCH(QString, End);
        FScreenSaver.Log.Take();
        TMainFixture f;
        f.OpenIn(fmSingle);
        f.FeedStep(4100, 0);
        QCOMPARE(FScreenSaver.Log.Take(), QStringList());
        QVERIFY(!HintSaysAwake(f));

        // One lock however many channels charge and however many frames come.
        FeedCharging(f, 2);
        f.FeedStep(4100, 900);
        FeedCharging(f, 0);
        const QStringList taken = FScreenSaver.Log.Take();
        QCOMPARE(taken.size(), 1);
        QVERIFY2(taken[0].startsWith(QStringLiteral("Inhibit Korvane ") + LoadStr(TTextId::KeepAwakeReason)),
                 qPrintable(taken[0]));
        const QString cookie = taken[0].section(QLatin1Char(' '), -1);
        QVERIFY(HintSaysAwake(f));
        QVERIFY(PortHint(f).contains(LoadStr(TTextId::PortStateReceiving)));

        if (End == QLatin1String("idle"))
            f.FeedStep(4100, 10);
        else if (End == QLatin1String("close"))
            f.Form->Charger->Close();
        else if (End == QLatin1String("option"))
            SetKeepAwake(f, false);
        else
            f.Form.reset();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(FScreenSaver.Log.Take(), QStringList{QStringLiteral("UnInhibit ") + cookie});
        if (!f.Form)
            return;
        QVERIFY(!HintSaysAwake(f));

        // Charging again takes a new lock where the option and the port allow it.
        FeedCharging(f, 1);
        const QStringList again = FScreenSaver.Log.Take();
        if (End == QLatin1String("idle")) {
            QCOMPARE(again.size(), 1);
            QVERIFY(again[0].startsWith(QStringLiteral("Inhibit ")));
            QVERIFY(!again[0].endsWith(QLatin1Char(' ') + cookie));
            QVERIFY(HintSaysAwake(f));
        } else {
            QCOMPARE(again, QStringList());
            QVERIFY(!HintSaysAwake(f));
        }
        if (End == QLatin1String("option")) {
            // Switched on again while a channel charges: the lock is taken at once.
            SetKeepAwake(f, true);
            QCOMPARE(FScreenSaver.Log.Take().size(), 1);
            QVERIFY(HintSaysAwake(f));
        }
    }

    // Where logind answers its lock is taken instead, and giving it back closes the
    // descriptor that holds it.
    void LoginLockIsADescriptorClosedOnRelease()
    {
        QDBusConnection system = QDBusConnection::connectToBus(FSystemBus.Address(), QStringLiteral("fake-system"));
        QVERIFY(system.registerService(QStringLiteral("org.freedesktop.login1")));
        QVERIFY(
            system.registerObject(QStringLiteral("/org/freedesktop/login1"), &FLogin, QDBusConnection::ExportAllSlots));
        FScreenSaver.Log.Take();
        {
            TMainFixture f;
            f.OpenIn(fmSingle);
            FeedCharging(f, 3);
            FeedCharging(f, 3);
            QCOMPARE(FLogin.Log.Take(),
                     QStringList{
                         QStringLiteral("Inhibit sleep:idle Korvane %1 block").arg(LoadStr(TTextId::KeepAwakeReason))});
            QCOMPARE(FLogin.ReadEnds.size(), 1);
            QVERIFY(!WriteEndsClosed(FLogin.ReadEnds[0]));
            QVERIFY(HintSaysAwake(f));

            f.FeedStep(4100, 0);
            QTRY_VERIFY(WriteEndsClosed(FLogin.ReadEnds[0]));
            QVERIFY(!HintSaysAwake(f));

            // Held again, then the program ends while charging.
            FeedCharging(f, 0);
            QCOMPARE(FLogin.ReadEnds.size(), 2);
            QVERIFY(!WriteEndsClosed(FLogin.ReadEnds[1]));
        }
        QTRY_VERIFY(WriteEndsClosed(FLogin.ReadEnds[1]));
        QCOMPARE(FScreenSaver.Log.Take(), QStringList());
        system.unregisterService(QStringLiteral("org.freedesktop.login1"));
    }

private:
    TPrivateBus FSessionBus{TPrivateBus::Session};
    TPrivateBus FSystemBus{TPrivateBus::System};
    QThread FServices;
    TScreenSaverService FScreenSaver;
    TLoginService FLogin;
};

QTEST_MAIN(TestKeepAwake)
#include "tst_keep_awake.moc"
