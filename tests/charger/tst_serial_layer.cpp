// The serial layer without a device: buffering, pattern triggers, re-notification and the
// COM number mapping.
#include "charger/ComPortMap.h"
#include "charger/MemoryComPort.h"
#include "charger/PatternScanner.h"
#include "tests/support/LinkFixture.h"

#include <QtTest>

class TSerialLayerTest : public QObject
{
    Q_OBJECT

private slots:
    void patternsAcrossChunksInStreamOrder();
    void patternNotificationsComeBeforeBytesWaiting();
    void triggersBelongToTheOpenConnection();
    void fullBufferDropsTheOldestBytes();
    void framesThatArrivedTogetherAreAllReported();
    void closedPortHasNothingWaiting();
    void fixedComNumberRanges_data();
    void fixedComNumberRanges();
    void overrideWinsForAnyNumber();
};

void TSerialLayerTest::patternsAcrossChunksInStreamOrder()
{
    TPatternScanner scanner;
    const std::uint16_t a = scanner.Add({0xC0, 0xFF});
    const std::uint16_t b = scanner.Add({0xFF, 0xC0});
    const std::uint16_t c = scanner.Add({0xC0, 0xFF});
    QVERIFY(a != 0 && b != 0 && c != 0 && a != b && b != c && a != c);
    std::vector<std::uint16_t> matches;
    const std::uint8_t first[] = {0x00, 0xC0};
    const std::uint8_t second[] = {0xFF, 0xC0, 0xFF};
    scanner.Scan(first, sizeof first, matches);
    QVERIFY(matches.empty());
    scanner.Scan(second, sizeof second, matches);
    QCOMPARE(matches, (std::vector<std::uint16_t>{a, c, b, a, c}));

    scanner.Remove(a);
    matches.clear();
    const std::uint8_t third[] = {0xC0, 0xFF};
    scanner.Scan(third, sizeof third, matches);
    QCOMPARE(matches, (std::vector<std::uint16_t>{b, c}));

    // A new connection does not join its first byte to the last one of the old.
    scanner.Restart();
    matches.clear();
    const std::uint8_t endsWithStart[] = {0xC0};
    const std::uint8_t startsWithMark[] = {0xFF};
    scanner.Scan(endsWithStart, 1, matches);
    scanner.Restart();
    scanner.Scan(startsWithMark, 1, matches);
    QVERIFY(matches.empty());
}

void TSerialLayerTest::patternNotificationsComeBeforeBytesWaiting()
{
    TMemoryComPort port;
    QStringList events;
    port.OnTriggerData = [&](std::uint16_t handle) { events << QStringLiteral("pattern %1").arg(handle); };
    port.OnTriggerAvail = [&](std::uint16_t count) { events << QStringLiteral("avail %1").arg(count); };
    port.SetOpen(true);
    const std::uint16_t h1 = port.AddPatternTrigger({0xC1, 0xFF});
    const std::uint16_t h2 = port.AddPatternTrigger({0xC2, 0xFF});
    port.Receive(QByteArray::fromHex("c2ff00c1ff"));
    QCOMPARE(events,
             (QStringList{QStringLiteral("pattern %1").arg(h2), QStringLiteral("pattern %1").arg(h1), "avail 5"}));
}

void TSerialLayerTest::triggersBelongToTheOpenConnection()
{
    TMemoryComPort port;
    int patterns = 0;
    port.OnTriggerData = [&](std::uint16_t) { ++patterns; };
    port.SetOpen(true);
    const std::uint16_t handle = port.AddPatternTrigger({0xC0, 0xFF});
    port.SetOpen(false);
    // Removing while closed does nothing, and the old trigger is gone anyway.
    port.RemovePatternTrigger(handle);
    port.SetOpen(true);
    port.Receive(QByteArray::fromHex("c0ff"));
    QCOMPARE(patterns, 0);
    const std::uint16_t next = port.AddPatternTrigger({0xC0, 0xFF});
    QVERIFY(next != handle);
    port.Receive(QByteArray::fromHex("c0ff"));
    QCOMPARE(patterns, 1);
}

void TSerialLayerTest::fullBufferDropsTheOldestBytes()
{
    TMemoryComPort port;
    port.SetOpen(true);
    QByteArray bytes;
    for (int i = 0; i < 4807; ++i)
        bytes += char(i % 251);
    port.Receive(bytes.left(1000));
    port.Receive(bytes.mid(1000));
    QCOMPARE(port.BytesWaiting(), 4096);
    QCOMPARE(port.ReadByte(), std::uint8_t(711 % 251));

    // The decoder finds its way back at the next start byte followed by the header mark.
    TLinkFixture f;
    f.Port->SetRenotify(true);
    f.OpenIn(fmSingle);
    QByteArray flood;
    for (int i = 0; i < 300; ++i)
        flood += MakeFrame(i % 4, 1300, 500);
    f.Port->Receive(flood + MakeFrame(1, 1300, 500).left(7));
    QTRY_COMPARE(f.Log->Reports().size(), 300 - 45);
    QCOMPARE(f.Log->Reports().first(), QString("receive 1 3"));
    QCOMPARE(f.Port->BytesWaiting(), 7);
}

void TSerialLayerTest::framesThatArrivedTogetherAreAllReported()
{
    TLinkFixture f;
    f.Port->SetRenotify(true);
    f.OpenIn(fmSingle);
    QByteArray burst;
    for (int channel : {0, 1, 2, 3, 0, 1})
        burst += MakeFrame(channel, 1300, 500);
    f.Port->Receive(burst + QByteArray::fromHex("c2ff0102"));
    QCOMPARE(f.Log->Reports().size(), 1);
    // The rest come through the event queue, without new bytes.
    QTRY_COMPARE(f.Log->Reports().size(), 6);
    QCOMPARE(f.Charger->SampleCount(), 2u);
    QCOMPARE(f.Port->BytesWaiting(), 4);
}

void TSerialLayerTest::closedPortHasNothingWaiting()
{
    TMemoryComPort port;
    port.Receive(QByteArray(10, 'x'));
    QCOMPARE(port.BytesWaiting(), 0);
    port.SetOpen(true);
    port.Receive(QByteArray(10, 'x'));
    QCOMPARE(port.BytesWaiting(), 10);
    port.SetOpen(false);
    QCOMPARE(port.BytesWaiting(), 0);
    port.SetOpen(true);
    QCOMPARE(port.BytesWaiting(), 0);
}

void TSerialLayerTest::fixedComNumberRanges_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM32") << 32 << "/dev/ttyS31";
    QTest::newRow("COM33") << 33 << "/dev/ttyUSB0";
    QTest::newRow("COM65") << 65 << "/dev/ttyACM0";
    QTest::newRow("COM97") << 97 << "/dev/ttyAMA0";
    QTest::newRow("COM128") << 128 << "/dev/ttyAMA31";
    QTest::newRow("COM129 has no fixed device") << 129 << "";
    QTest::newRow("COM0") << 0 << "";
    QTest::newRow("COM257") << 257 << "";
}

void TSerialLayerTest::fixedComNumberRanges()
{
    QFETCH(int, number);
    QFETCH(QString, path);
    SetPortOverrideLookup(nullptr);
    QCOMPARE(ComPortDevicePath(number), path);
}

void TSerialLayerTest::overrideWinsForAnyNumber()
{
    SetPortOverrideLookup([](int number) {
        return number == 5 || number == 200 || number == 300 ? QStringLiteral("/dev/pts/%1").arg(number) : QString();
    });
    QCOMPARE(ComPortDevicePath(5), QString("/dev/pts/5"));
    QCOMPARE(ComPortDevicePath(200), QString("/dev/pts/200"));
    QCOMPARE(ComPortDevicePath(6), QString("/dev/ttyS5"));
    QCOMPARE(ComPortDevicePath(300), QString());
    QVERIFY(!IsPortAvailable(200));
    SetPortOverrideLookup(nullptr);
}

QTEST_GUILESS_MAIN(TSerialLayerTest)
#include "tst_serial_layer.moc"
