// The charger link end to end through a real pseudo-terminal and QSerialPort, with the
// pseudo-terminal offered as a COM number through the settings store's Ports table.
#include "charger/ComPortMap.h"
#include "settings/PortTable.h"
#include "tests/support/LinkFixture.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/TempConfig.h"

#include <QSerialPort>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int TestPort = 200;

// A charger on the real serial port whose checker sees the given gap between headers.
struct TPtyLink {
    explicit TPtyLink(std::uint32_t Gap)
    {
        Charger.Checker().TickSource = [this, Gap] { return Tick += Gap; };
        Charger.ComNumber = TestPort;
    }
    // Offers Pty as the test port, opens it and sends the four headers; true once the
    // check has chosen Expected.
    bool OpenOn(TPseudoTerminal &Pty, TFrameMode Expected);

    std::uint32_t Tick = 0;
    TKRVCharger Charger;
    TEventLog Log{Charger};
};

QByteArray Headers()
{
    QByteArray bytes;
    for (int channel = 0; channel < 4; ++channel)
        bytes += MakeFrame(channel, 1300, 500);
    return bytes;
}

bool TPtyLink::OpenOn(TPseudoTerminal &Pty, TFrameMode Expected)
{
    if (!PortTable::WritePortDevice(TestPort, Pty.SlavePath()))
        return false;
    Charger.Open();
    return Pty.Write(Headers()) && QTest::qWaitFor([&] { return Charger.FrameMode() == Expected; });
}

} // namespace

class TPseudoTerminalTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void singleModeFrames();
    void groupModeFrames();
    void framesInOneChunkNeedNoFurtherBytes();
    void garbageAndBrokenFrames();
    void vanishedDeviceRaisesCloseOnce();
    void absentAndBusyPorts();
    void entryFormsReachTheirDevice_data();
    void entryFormsReachTheirDevice();
    void deviceRefusedToTheUser();

private:
    TPseudoTerminal *FPty = nullptr;
};

void TPseudoTerminalTest::initTestCase()
{
    UseTemporaryConfig();
    PortTable::InstallPortLookup();
}

void TPseudoTerminalTest::singleModeFrames()
{
    TPseudoTerminal pty;
    QVERIFY(pty.IsValid());
    QVERIFY(PortTable::WritePortDevice(TestPort, pty.SlavePath()));
    QCOMPARE(ComPortDevicePath(TestPort), pty.SlavePath());

    TPtyLink link(1000);
    link.Charger.Open();
    QCOMPARE(link.Log.Events, (QStringList{"beforecheck", "open"}));
    QVERIFY(pty.Write(Headers()));
    QTRY_COMPARE(link.Charger.FrameMode(), fmSingle);
    QCOMPARE(link.Log.Count("aftercheck"), 1);

    const int order[] = {0, 1, 2, 3, 0};
    for (int sent = 1; sent <= 5; ++sent) {
        const int channel = order[sent - 1];
        QVERIFY(pty.Write(MakeFrame(channel, 1400 + channel, 1000, 10, 200)));
        QTRY_COMPARE(link.Log.Reports().size(), sent);
    }
    QCOMPARE(link.Log.Reports(),
             (QStringList{"receive 0 3", "receive 1 1", "receive 2 1", "receive 3 1", "receive 0 3"}));
    QCOMPARE(link.Charger.PacketCount(), 5u);
    QCOMPARE(link.Charger.LostCount(), 0u);
    QCOMPARE(link.Charger.SampleCount(), 2u);
    QCOMPARE(link.Charger.Channels().Items(3).GetValue(vtUnLoadVoltage), 1403);
    QTRY_COMPARE(link.Log.Count("picket"), 15);
    link.Charger.Close();
    QCOMPARE(link.Log.Events.last(), QString("close"));
}

void TPseudoTerminalTest::groupModeFrames()
{
    TPseudoTerminal pty;
    TPtyLink link(50);
    QVERIFY(link.OpenOn(pty, fmGroup));
    QCOMPARE(link.Charger.Watchdog().Interval(), GroupModeInterval);
    for (int group = 0; group < 3; ++group)
        QVERIFY(pty.Write(MakeFrame(0, 1300, 800) + MakeFrame(1, 1300, 0, 0, 850) + MakeFrame(2, 2600, 800) +
                          MakeFrame(3, 0, 0)));
    QTRY_COMPARE(link.Log.Reports().size(), 12);
    QCOMPARE(link.Log.Reports().mid(8), (QStringList{"receive 0 3", "receive 1 1", "receive 2 0", "receive 3 1"}));
    QCOMPARE(link.Charger.PacketCount(), 3u);
    QCOMPARE(link.Charger.SampleCount(), 3u);
    QCOMPARE(link.Charger.Channels().Items(1).State, csIdle);
    QCOMPARE(link.Charger.Channels().Items(1).GetValue(vtCapacity), 850);
}

void TPseudoTerminalTest::framesInOneChunkNeedNoFurtherBytes()
{
    TPseudoTerminal pty;
    TPtyLink link(1000);
    QVERIFY(link.OpenOn(pty, fmSingle));
    QByteArray chunk;
    for (int i = 0; i < 40; ++i)
        chunk += MakeFrame(i % 4, 1300, 500);
    QVERIFY(pty.Write(chunk));
    QTRY_COMPARE(link.Log.Reports().size(), 40);
    QCOMPARE(link.Charger.SampleCount(), 10u);
    QCOMPARE(link.Charger.LostCount(), 0u);
}

void TPseudoTerminalTest::garbageAndBrokenFrames()
{
    TPseudoTerminal pty;
    TPtyLink link(1000);
    QVERIFY(link.OpenOn(pty, fmSingle));

    QByteArray brokenHeader = MakeFrame(1, 1300, 500);
    brokenHeader[1] = char(0x7F);
    QByteArray stream = QByteArray::fromHex("00137fbfc4") + MakeFrame(0, 1300, 500) + brokenHeader +
                        MakeFrame(2, 2496, 500) + MakeFrame(3, 1300, 500).left(9) + MakeFrame(0, 1300, 500) +
                        MakeFrame(1, 1300, 500) + QByteArray(16, '\x00');
    QVERIFY(pty.Write(stream));
    // The truncated frame of channel 3 swallows the next frame's first bytes; the decoder
    // finds its way back at channel 1, which starts a new row after channel 3.
    QTRY_COMPARE(link.Log.Reports().size(), 4);
    QCOMPARE(link.Log.Reports(), (QStringList{"receive 0 3", "receive 2 0", "receive 3 1", "receive 1 3"}));
    QCOMPARE(link.Charger.PacketCount(), 4u);
    QCOMPARE(link.Charger.LostCount(), 1u + 0u + 1u);
}

void TPseudoTerminalTest::vanishedDeviceRaisesCloseOnce()
{
    auto pty = std::make_unique<TPseudoTerminal>();
    QVERIFY(PortTable::WritePortDevice(TestPort, pty->SlavePath()));
    TPtyLink link(1000);
    link.Charger.Open();
    QVERIFY(pty->Write(Headers()));
    QTRY_COMPARE(link.Charger.FrameMode(), fmSingle);
    QVERIFY(pty->Write(MakeFrame(0, 1300, 500, 4, 123)));
    QTRY_COMPARE(link.Log.Reports().size(), 1);

    pty->CloseMaster();
    QTRY_COMPARE(link.Log.Count("close"), 1);
    QCOMPARE(link.Charger.LinkState(), lsClosed);
    QVERIFY(!link.Charger.Port().Open());
    QCOMPARE(link.Charger.Channels().Items(0).GetValue(vtCapacity), 123);
    // The storm of read errors has ended: nothing more happens.
    const QStringList before = link.Log.Events;
    QTest::qWait(300);
    QCOMPARE(link.Log.Events, before);
}

void TPseudoTerminalTest::absentAndBusyPorts()
{
    TPseudoTerminal pty;
    QVERIFY(PortTable::WritePortDevice(TestPort, pty.SlavePath()));
    QVERIFY(PortTable::WritePortDevice(TestPort + 1, QStringLiteral("/dev/no-such-serial-device")));
    QVERIFY(IsPortAvailable(TestPort));
    QVERIFY(!IsPortAvailable(TestPort + 1));
    // A file that is no terminal is no port.
    QTemporaryFile plain;
    QVERIFY(plain.open());
    QVERIFY(PortTable::WritePortDevice(TestPort + 1, plain.fileName()));
    QVERIFY(!IsPortAvailable(TestPort + 1));
    QVERIFY(PortTable::WritePortDevice(TestPort + 1, QStringLiteral("/dev/no-such-serial-device")));

    TPtyLink absent(1000);
    absent.Charger.ComNumber = TestPort + 1;
    absent.Charger.Open();
    QCOMPARE(absent.Log.Events, QStringList{"failure"});
    QCOMPARE(absent.Charger.LinkState(), lsFailure);
    QCOMPARE(absent.Charger.OpenFailure().Fault, ofNotFound);
    QCOMPARE(absent.Charger.OpenFailure().Device, QStringLiteral("/dev/no-such-serial-device"));

    // Held open elsewhere: still listed as available, but opening fails.
    QSerialPort holder(pty.SlavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QVERIFY(IsPortAvailable(TestPort));
    TPtyLink busy(1000);
    busy.Charger.Open();
    QCOMPARE(busy.Log.Events, QStringList{"failure"});
    QVERIFY(busy.Charger.Enabled());
    QCOMPARE(busy.Charger.OpenFailure().Fault, ofBusy);
    QCOMPARE(busy.Charger.OpenFailure().Device, pty.SlavePath());
    holder.close();
    busy.Charger.Open();
    QCOMPARE(busy.Log.Events, (QStringList{"failure", "beforecheck", "open"}));
    QVERIFY(PortTable::RemovePortDevice(TestPort + 1));
    QVERIFY(!IsPortAvailable(TestPort + 1));
}

void TPseudoTerminalTest::entryFormsReachTheirDevice_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("relative to /dev") << "relative";
    // A by-id link as long as an adapter's: the serial layer's lock file is named after the
    // device and a file name may not be that long.
    QTest::newRow("long link") << "link";
    // Nothing shorter to open it by: the failure names the length, not a busy port.
    QTest::newRow("long path of its own") << "file";
}

void TPseudoTerminalTest::entryFormsReachTheirDevice()
{
    QFETCH(QString, form);
    TPseudoTerminal pty;
    QVERIFY(pty.IsValid());
    QVERIFY(pty.SlavePath().startsWith(QLatin1String("/dev/pts/")));
    QTemporaryDir top;
    QString entry = pty.SlavePath().mid(5);
    if (form != QLatin1String("relative")) {
        QString folder = top.path();
        while (folder.size() < 200)
            folder += QLatin1Char('/') + QString(40, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(folder));
        entry = folder + QStringLiteral("/usb-Charger_Serial_Adapter_");
        entry = entry.leftJustified(274, QLatin1Char('0')) + QStringLiteral("-if00-port0");
        QCOMPARE(entry.size(), 285);
        if (form == QLatin1String("link")) {
            QVERIFY(QFile::link(pty.SlavePath(), entry));
        } else {
            QFile file(entry);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    QVERIFY(PortTable::WritePortDevice(TestPort, entry));
    const bool opens = form != QLatin1String("file");

    // Listed where the dialog looks, with the device it opens.
    const TComPortSnapshot listing;
    QCOMPARE(listing.IsAvailable(TestPort), opens);
    QCOMPARE(IsPortAvailable(TestPort), opens);
    QCOMPARE(listing.DevicePath(TestPort), form == QLatin1String("relative") ? pty.SlavePath() : entry);

    TPtyLink link(1000);
    link.Charger.Open();
    if (!opens) {
        QCOMPARE(link.Log.Events, QStringList{"failure"});
        QCOMPARE(link.Charger.OpenFailure().Fault, ofOther);
        QCOMPARE(link.Charger.OpenFailure().Device, entry);
        QCOMPARE(link.Charger.OpenFailure().Detail, QString::fromLocal8Bit(std::strerror(ENAMETOOLONG)));
        return;
    }
    QCOMPARE(link.Log.Events, (QStringList{"beforecheck", "open"}));
    QVERIFY(pty.Write(Headers()));
    QTRY_COMPARE(link.Charger.FrameMode(), fmSingle);
    QVERIFY(pty.Write(MakeFrame(2, 1400, 900, 5, 321)));
    QTRY_COMPARE(link.Log.Reports(), QStringList{"receive 2 3"});
    QCOMPARE(link.Charger.Channels().Items(2).GetValue(vtCapacity), 321);
    if (form == QLatin1String("link")) {
        // The adapter unplugged takes its link along: the device is missing.
        link.Charger.Close();
        QVERIFY(QFile::remove(entry));
        link.Charger.Open();
        QCOMPARE(link.Charger.OpenFailure().Fault, ofNotFound);
        QCOMPARE(link.Charger.OpenFailure().Device, entry);
    }
}

void TPseudoTerminalTest::deviceRefusedToTheUser()
{
    // A device the user may not open names the group that may. Root may open anything, so
    // as root the refusal is met in a child process that has become nobody.
    TPseudoTerminal pty;
    const QByteArray path = QFile::encodeName(pty.SlavePath());
    struct stat status {
    };
    QCOMPARE(::stat(path.constData(), &status), 0);
    const group *owner = ::getgrgid(status.st_gid);
    QVERIFY(owner);
    const QString expectedGroup = QString::fromLocal8Bit(owner->gr_name);
    const auto refusedAsExpected = [&] {
        const TOpenFailure failure = ExplainOpenRefusal(pty.SlavePath(), QString());
        return failure.Fault == ofAccessDenied && failure.DeviceGroup == expectedGroup &&
               failure.Device == pty.SlavePath();
    };
    if (::getuid() != 0) {
        QCOMPARE(::chmod(path.constData(), 0), 0);
        QVERIFY(refusedAsExpected());
        return;
    }
    QCOMPARE(::chmod(path.constData(), 0600), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const bool nobody = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(!nobody ? 2 : refusedAsExpected() ? 0 : 1);
    }
    int result = 0;
    QCOMPARE(::waitpid(child, &result, 0), child);
    QVERIFY(WIFEXITED(result));
    QCOMPARE(WEXITSTATUS(result), 0);
}

QTEST_GUILESS_MAIN(TPseudoTerminalTest)
#include "tst_pseudo_terminal.moc"
