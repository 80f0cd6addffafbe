// The Ports table in the settings store: what the simulator enters is what the link opens,
// and a store that cannot be written says so.
#include "charger/ComPortMap.h"
#include "settings/PortTable.h"
#include "tests/support/TempConfig.h"

#include <QDir>
#include <QtTest>

class TPortTableTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void enteredDevicesOverrideTheFixedRanges();
    void unwritableStoreReportsFailure();
};

void TPortTableTest::initTestCase()
{
    UseTemporaryConfig();
    PortTable::InstallPortLookup();
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

void TPortTableTest::unwritableStoreReportsFailure()
{
    // A folder where the settings file should be: the write cannot land.
    QFile::remove(TemporaryConfigFile());
    QVERIFY(QDir().mkpath(TemporaryConfigFile()));
    QVERIFY(!PortTable::WritePortDevice(5, "/dev/ttyUSB7"));
    QCOMPARE(PortTable::ReadPortDevice(5), QString());
    QVERIFY(QDir(TemporaryConfigFile()).removeRecursively());
    QVERIFY(PortTable::WritePortDevice(5, "/dev/ttyUSB7"));
    QCOMPARE(PortTable::ReadPortDevice(5), QStringLiteral("/dev/ttyUSB7"));
}

QTEST_GUILESS_MAIN(TPortTableTest)
#include "tst_port_table.moc"
