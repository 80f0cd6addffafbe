// The program asked to end by the system or the desktop session: it ends through its normal
// shutdown without the quit question, and the recent ports it stores as it quits are there.
#include "MainFixture.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/SimProcess.h"
#include "tests/support/StoredValues.h"
#include "tests/support/TempConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

// True once the process holds Device open.
bool HoldsOpen(qint64 Pid, const QString &Device)
{
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(Pid));
    for (const QFileInfo &entry : descriptors.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (entry.symLinkTarget() == Device)
            return true;
    return false;
}

} // namespace

class TestEndSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void RequestToEndKeepsTheRecentPorts_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM, as systemd or kill") << int(SIGTERM);
        QTest::newRow("SIGINT, as Ctrl+C in the terminal") << int(SIGINT);
        QTest::newRow("SIGHUP, as the terminal closing") << int(SIGHUP);
    }

    void RequestToEndKeepsTheRecentPorts()
    {
        QFETCH(int, signal);
        QFile::remove(TemporaryConfigFile());
        constexpr int SimCom = 206;
        TSimProcess sim({"--com", QString::number(SimCom), "--fast", "--quiet", "--seed", "3"});
        const QString device = sim.WaitForLine("device ");
        QCOMPARE(sim.WaitForLine("com "), QString::number(SimCom));

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(qEnvironmentVariable("KORVANE_PROGRAM"), {"--com", QString::number(SimCom)});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HoldsOpen(program.processId(), device), 20000);
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QCOMPARE(Stored(SettingsKeys::OpenedList, QStringLiteral("0")), std::optional<qint32>(SimCom));
    }

    // Last: the application has been told to quit, as at the end of a session.
    void SessionEndStoresFirstAndAsksNothing()
    {
        QFile::remove(TemporaryConfigFile());
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.show();
        f.OpenIn(fmSingle);
        form.PromoteRecentPort(7);
        TBoxAnswerer answerer(QMessageBox::Ok);
        form.CommitSessionData();
        QCOMPARE(Stored(SettingsKeys::OpenedList, QStringLiteral("0")), std::optional<qint32>(7));
        // The session manager's last word, delivered as it sends it.
        QTimer::singleShot(0, [] {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(answerer.Count(), 0);
        QVERIFY(!form.isVisible());
        QVERIFY(!f.Port->Open());
    }
};

QTEST_MAIN(TestEndSignals)
#include "tst_end_signals.moc"
