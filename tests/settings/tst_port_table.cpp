// The Ports table in the settings store: what the simulator enters is what the link opens,
// the table a user writes by hand is read in either INI form, a store that cannot be written
// says so, and odd files in the store's place neither stall the program nor get cut down.
#include "charger/ComPortMap.h"
#include "settings/PortTable.h"
#include "tests/support/TempConfig.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray Contents(const QString &Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Notices anyone opening the FIFO for reading, and lets them go with an end of file, so
// that a reader that should never have opened it does not hang the test.
class TFifoWatch
{
public:
    explicit TFifoWatch(const QString &Path) : FPath(QFile::encodeName(Path))
    {
        FThread = std::thread([this] {
            while (!FDone) {
                const int fd = ::open(FPath.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    FOpened = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~TFifoWatch()
    {
        FDone = true;
        FThread.join();
    }
    bool Opened() const { return FOpened; }

private:
    QByteArray FPath;
    std::atomic<bool> FDone{false};
    std::atomic<bool> FOpened{false};
    std::thread FThread;
};

} // namespace

class TPortTableTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void enteredDevicesOverrideTheFixedRanges();
    void handWrittenTableIsRead_data();
    void handWrittenTableIsRead();
    void oddSettingsPathIsNeverOpened_data();
    void oddSettingsPathIsNeverOpened();
    void unparsedFileIsKeptBeforeTheFirstRewrite();
};

void TPortTableTest::initTestCase()
{
    UseTemporaryConfig();
    PortTable::InstallPortLookup();
}

void TPortTableTest::init()
{
    QDir folder(QFileInfo(TemporaryConfigFile()).path());
    for (const QString &name : folder.entryList({QStringLiteral("Korvane.ini*")}, QDir::Files | QDir::System))
        QVERIFY(folder.remove(name));
}

void TPortTableTest::enteredDevicesOverrideTheFixedRanges()
{
    QCOMPARE(PortTable::ReadPortDevice(3), QString());
    QCOMPARE(ComPortDevicePath(3), QStringLiteral("/dev/ttyS2"));
    QCOMPARE(ComPortDevicePath(200), QString());

    QVERIFY(PortTable::WritePortDevice(3, "/dev/serial/by-id/usb-adapter-port0"));
    QVERIFY(PortTable::WritePortDevice(200, "/dev/pts/9"));
    QCOMPARE(ComPortDevicePath(3), QStringLiteral("/dev/serial/by-id/usb-adapter-port0"));
    QCOMPARE(ComPortDevicePath(200), QStringLiteral("/dev/pts/9"));

    // The file holds the values under the key and names the store uses.
    QSettings file(TemporaryConfigFile(), QSettings::IniFormat);
    QCOMPARE(file.value("Software/Korvane/Ports/COM200").toString(), QStringLiteral("/dev/pts/9"));

    QVERIFY(PortTable::RemovePortDevice(200));
    QCOMPARE(ComPortDevicePath(200), QString());
    QCOMPARE(PortTable::ReadPortDevice(3), QStringLiteral("/dev/serial/by-id/usb-adapter-port0"));
    // Removing what is not there is no failure.
    QVERIFY(PortTable::RemovePortDevice(200));
    QVERIFY(PortTable::RemovePortDevice(3));
    QCOMPARE(ComPortDevicePath(3), QStringLiteral("/dev/ttyS2"));
}

void TPortTableTest::handWrittenTableIsRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("own form") << QByteArray("[Software]\nKorvane\\PageWidth=30\nKorvane\\Ports\\COM200=/dev/pts/9\n");
    QTest::newRow("one section, slashes")
        << QByteArray("[Software]\nKorvane\\PageWidth=30\n\n[Software/Korvane/Ports]\nCOM200=/dev/pts/9\n");
    QTest::newRow("one section, backslashes")
        << QByteArray("[Software/Korvane]\nPageWidth=30\n[Software\\Korvane\\Ports]\nCOM200=/dev/pts/9\n");
    QTest::newRow("one section, escaped slashes")
        << QByteArray("[Software%2FKorvane]\nPageWidth=30\n[Software%2FKorvane%2FPorts]\nCOM200=/dev/pts/9\n");
}

void TPortTableTest::handWrittenTableIsRead()
{
    QFETCH(QByteArray, text);
    WriteTemporaryConfig(text);
    QCOMPARE(PortTable::ReadPortDevice(200), QStringLiteral("/dev/pts/9"));
    QCOMPARE(ComPortDevicePath(200), QStringLiteral("/dev/pts/9"));

    QVERIFY(PortTable::WritePortDevice(3, "/dev/ttyUSB4"));
    QCOMPARE(ComPortDevicePath(200), QStringLiteral("/dev/pts/9"));
    QCOMPARE(ComPortDevicePath(3), QStringLiteral("/dev/ttyUSB4"));
    // The store writes its own form, which older builds find by asking the parent key for its
    // sub-keys before anything else; a copy keeps this reader from sharing the store's parse.
    const QString copy = TemporaryConfigFile() + QStringLiteral(".copy");
    QVERIFY(QFile::copy(TemporaryConfigFile(), copy));
    QSettings older(copy, QSettings::IniFormat);
    older.beginGroup("Software/Korvane");
    QCOMPARE(older.childGroups(), QStringList{"Ports"});
    QCOMPARE(older.value("PageWidth").toInt(), 30);
    older.beginGroup("Ports");
    QCOMPARE(older.value("COM200").toString(), QStringLiteral("/dev/pts/9"));
    QCOMPARE(older.value("COM3").toString(), QStringLiteral("/dev/ttyUSB4"));
}

void TPortTableTest::oddSettingsPathIsNeverOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to a FIFO") << "link";
    QTest::newRow("device node") << "device";
}

void TPortTableTest::oddSettingsPathIsNeverOpened()
{
    QFETCH(QString, kind);
    const QString file = TemporaryConfigFile();
    const QString fifo = kind == "link" ? file + QStringLiteral(".fifo") : file;
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(file));
    } else if (kind == "device") {
        if (::mknod(QFile::encodeName(file).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("no device nodes can be made here");
    } else {
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
        if (kind == "link")
            QVERIFY(QFile::link(fifo, file));
    }
    {
        std::optional<TFifoWatch> watch;
        if (kind == "fifo" || kind == "link")
            watch.emplace(fifo);
        QCOMPARE(PortTable::ReadPortDevice(5), QString());
        QCOMPARE(ComPortDevicePath(5), QStringLiteral("/dev/ttyS4"));
        QVERIFY(!PortTable::WritePortDevice(5, "/dev/ttyUSB7"));
        QVERIFY(PortTable::RemovePortDevice(5));
        QCOMPARE(PortTable::ReadPortDevice(5), QString());
        QVERIFY(!(watch && watch->Opened()));
    }
    // Nothing was put in its place.
    QVERIFY(!QFileInfo(file).isFile());
    QVERIFY(kind == "folder" ? QDir(file).removeRecursively() : QFile::remove(file));
    QFile::remove(fifo);
    QVERIFY(PortTable::WritePortDevice(5, "/dev/ttyUSB7"));
    QCOMPARE(PortTable::ReadPortDevice(5), QStringLiteral("/dev/ttyUSB7"));
}

void TPortTableTest::unparsedFileIsKeptBeforeTheFirstRewrite()
{
    const QString backup = TemporaryConfigFile() + QStringLiteral(".bak");
    const QByteArray edited("[Software/Korvane/Ports]\nCOM200=/dev/pts/9\nCOM201 /dev/pts/10\n");
    WriteTemporaryConfig(edited);
    QCOMPARE(PortTable::ReadPortDevice(200), QStringLiteral("/dev/pts/9"));
    // Reading changes nothing.
    QVERIFY(!QFile::exists(backup));
    QCOMPARE(Contents(TemporaryConfigFile()), edited);

    QVERIFY(PortTable::WritePortDevice(3, "/dev/ttyUSB4"));
    QCOMPARE(Contents(backup), edited);
    QCOMPARE(PortTable::ReadPortDevice(200), QStringLiteral("/dev/pts/9"));
    QCOMPARE(PortTable::ReadPortDevice(3), QStringLiteral("/dev/ttyUSB4"));
    // The rewritten file parses: later writes make no more copies.
    QVERIFY(PortTable::WritePortDevice(4, "/dev/ttyUSB5"));
    QCOMPARE(QDir(QFileInfo(backup).path()).entryList({"Korvane.ini.bak*"}), QStringList{"Korvane.ini.bak"});

    // Edited wrongly once more: the first copy stays, the new one goes beside it.
    const QByteArray again("[Software/Korvane/Ports]\nCOM4=/dev/ttyUSB5\n[Software/Korvane\n");
    WriteTemporaryConfig(again);
    QVERIFY(PortTable::RemovePortDevice(4));
    QCOMPARE(Contents(backup), edited);
    QCOMPARE(Contents(backup + QStringLiteral(".1")), again);
    QCOMPARE(PortTable::ReadPortDevice(4), QString());
}

QTEST_GUILESS_MAIN(TPortTableTest)
#include "tst_port_table.moc"
