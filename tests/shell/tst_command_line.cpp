// The program's command line: what each form of it asks for, and the installed program's
// answers on a terminal without a display.
#include "settings/Constant.h"
#include "shell/CommandLine.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void EachFormAsksForItsAction_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("error");
        const int run = TCommandLine::clRun, version = TCommandLine::clVersion, help = TCommandLine::clHelp,
                  error = TCommandLine::clError;
        QTest::newRow("nothing: no port opens") << QStringList() << run << 0 << "";
        QTest::newRow("--version") << QStringList{"--version"} << version << 0 << "";
        QTest::newRow("-v") << QStringList{"-v"} << version << 0 << "";
        QTest::newRow("--help") << QStringList{"--help"} << help << 0 << "";
        QTest::newRow("-h before a wrong port") << QStringList{"-h", "--com", "0"} << help << 0 << "";
        QTest::newRow("--com 7") << QStringList{"--com", "7"} << run << 7 << "";
        QTest::newRow("--com=1") << QStringList{"--com=1"} << run << 1 << "";
        QTest::newRow("--com 256, the highest") << QStringList{"--com", "256"} << run << 256 << "";
        QTest::newRow("the last --com counts") << QStringList{"--com", "3", "--com", "9"} << run << 9 << "";
        QTest::newRow("Qt's window-system options pass")
            << QStringList{"-platform", "offscreen", "--com", "5", "-style=fusion", "-reverse"} << run << 5 << "";
        QTest::newRow("--com 0") << QStringList{"--com", "0"} << error << 0 << "not '0'";
        QTest::newRow("--com 300") << QStringList{"--com", "300"} << error << 0 << "from 1 to 256, not '300'";
        QTest::newRow("--com abc") << QStringList{"--com", "abc"} << error << 0 << "not 'abc'";
        QTest::newRow("--com 7.5") << QStringList{"--com", "7.5"} << error << 0 << "not '7.5'";
        QTest::newRow("--com without a number") << QStringList{"--com"} << error << 0 << "Missing value";
        QTest::newRow("unknown option") << QStringList{"--port", "7"} << error << 0 << "Unknown option 'port'";
        QTest::newRow("a stray argument") << QStringList{"COM7"} << error << 0 << "Unexpected argument 'COM7'";
    }

    void EachFormAsksForItsAction()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(int, com);
        QFETCH(QString, error);
        const TCommandLine line = ParseCommandLine(QStringList{QStringLiteral("/usr/bin/korvane")} + arguments);
        QCOMPARE(int(line.Action), action);
        QCOMPARE(int(line.ComNumber), com);
        if (error.isEmpty())
            QVERIFY(line.Error.isEmpty());
        else
            QVERIFY2(line.Error.contains(error), qPrintable(line.Error));
    }

    // The real program on the X platform with no display to connect to: anything that built a
    // window system first would abort instead of answering.
    void TheProgramAnswersWithoutADisplay()
    {
        const QString program = qEnvironmentVariable("KORVANE_PROGRAM");
        QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
        const auto run = [&program](const QStringList &Arguments, QByteArray &Out, QByteArray &Err) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            process.setProcessEnvironment(environment);
            process.start(program, Arguments);
            if (!process.waitForFinished(10000))
                return -1;
            Out = process.readAllStandardOutput();
            Err = process.readAllStandardError();
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        };
        QByteArray out, err;
        QCOMPARE(run({"--version"}, out, err), 0);
        QCOMPARE(QString::fromUtf8(out), QStringLiteral("Korvane %1\n").arg(FormatFileVersion(program)));
        QVERIFY(out.startsWith("Korvane 2.0.0 (Build "));

        QCOMPARE(run({"--help"}, out, err), 0);
        QVERIFY2(out.contains("--com <N>") && out.contains("--version"), out.constData());
        QVERIFY(!out.contains("platform"));

        QCOMPARE(run({"--com", "abc"}, out, err), 2);
        QVERIFY(out.isEmpty());
        QVERIFY2(err.startsWith("korvane: --com takes a port number from 1 to 256, not 'abc'.\n"), err.constData());
        QVERIFY2(err.contains("--com <N>"), err.constData());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
