// The simulated charger through the program's own serial layer: it offers its
// pseudo-terminal as a COM number, speaks the wire format in both modes, spoils frames
// reproducibly, and going away looks to the link like an unplugged adapter.
#include "charger/KRVCharger.h"
#include "settings/PortTable.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"
#include "tools/sim/FaultInjector.h"

#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

constexpr int SimComNumber = 201;

// A running simulator, ended with SIGTERM when the test is done with it.
struct TReceived {
    int Frames = 0;
    int Valid = 0;
    std::array<int, ChannelCount> PerChannel{};
    int Closes = 0;
};

void Record(TKRVCharger &Charger, TReceived &Received)
{
    Charger.OnReceiveData = [&](TKRVChannel *Channel, std::int32_t Flag) {
        ++Received.Frames;
        ++Received.PerChannel[static_cast<std::size_t>(Channel->Index())];
        if (Flag & (1 << static_cast<int>(ffValid)))
            ++Received.Valid;
    };
    Charger.OnClose = [&](TKRVCharger *) { ++Received.Closes; };
}

} // namespace

class TSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void offersItsLineAndSpeaksBothModes_data();
    void offersItsLineAndSpeaksBothModes();
    void faultsFollowFromTheSeed();
    void spoiledFramesAreCountedNotReported();
    void badOptionsAreRefused();
};

void TSimulatorTest::initTestCase()
{
    UseTemporaryConfig();
    PortTable::InstallPortLookup();
    QVERIFY2(QFileInfo(qEnvironmentVariable("KORVANE_SIM")).isExecutable(), "KORVANE_SIM names no program");
}

void TSimulatorTest::offersItsLineAndSpeaksBothModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("expected");
    QTest::newRow("single") << "single" << static_cast<int>(fmSingle);
    QTest::newRow("group") << "group" << static_cast<int>(fmGroup);
}

void TSimulatorTest::offersItsLineAndSpeaksBothModes()
{
    QFETCH(QString, mode);
    QFETCH(int, expected);
    TSimProcess sim({"--com", QString::number(SimComNumber), "--mode", mode, "--fast", "--quiet"});
    const QString device = sim.WaitForLine("device ");
    QVERIFY(device.startsWith("/dev/pts/"));
    QCOMPARE(sim.WaitForLine("com "), QString::number(SimComNumber));
    QCOMPARE(PortTable::ReadPortDevice(SimComNumber), device);

    TKRVCharger charger;
    TReceived received;
    Record(charger, received);
    charger.ComNumber = SimComNumber;
    charger.Open();
    QCOMPARE(charger.LinkState(), lsOpen);
    // Four headers at the charger's real gaps, then the fast stream.
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(charger.FrameMode()), expected, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(received.Frames >= 40, 10000);
    for (int count : received.PerChannel)
        QVERIFY(count >= 8);
    // Only the group that the check cut into may be partial.
    QVERIFY(received.Valid >= received.Frames - ChannelCount);
    QCOMPARE(charger.LostCount(), 0u);
    // Slot 0 charges a cell: plausible voltage, the charge current, a working channel.
    const TKRVChannel &charging = charger.Channels().Items(0);
    QVERIFY(charging.GetValue(vtUnLoadVoltage) > 1000 && charging.GetValue(vtUnLoadVoltage) < 2000);
    QVERIFY(charging.GetValue(vtCurrent) > 500);
    QCOMPARE(charging.State, csWorking);
    // The empty slot reads zeros and is idle.
    QCOMPARE(charger.Channels().Items(3).GetValue(vtUnLoadVoltage), 0);
    QCOMPARE(charger.Channels().Items(3).State, csIdle);

    // The simulator ending is the adapter going away: the port closes by itself.
    sim.Process().terminate();
    QVERIFY(sim.Process().waitForFinished(5000));
    QCOMPARE(sim.Process().exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(received.Closes, 1, 5000);
    QCOMPARE(charger.LinkState(), lsClosed);
    QVERIFY(!charger.Port().Open());
    QVERIFY(PortTable::ReadPortDevice(SimComNumber).isEmpty());
}

void TSimulatorTest::faultsFollowFromTheSeed()
{
    const TFaultRates rates{0.3, 0.2, 0.2, 0.2};
    auto run = [&](std::uint32_t seed) {
        TFaultInjector faults(seed, rates);
        QList<TLineChunk> chunks;
        for (int i = 0; i < 400; ++i)
            chunks << faults.Prepare(i % ChannelCount, TFrameWords{1400, 1380, 0, 1000, 25, 10, 150});
        return chunks;
    };
    const QList<TLineChunk> first = run(7);
    const QList<TLineChunk> again = run(7);
    const QList<TLineChunk> other = run(8);
    int dropped = 0, badMark = 0, implausible = 0, garbage = 0, differing = 0;
    for (qsizetype i = 0; i < first.size(); ++i) {
        QCOMPARE(first[i].Bytes, again[i].Bytes);
        differing += first[i].Bytes != other[i].Bytes;
        const QByteArray &bytes = first[i].Bytes;
        if (!first[i].HasFrame) {
            ++dropped;
            continue;
        }
        const qsizetype start = bytes.size() - FrameSize;
        garbage += start > 0;
        // Stray bytes never look like a start byte.
        for (qsizetype b = 0; b < start; ++b)
            QVERIFY(static_cast<std::uint8_t>(bytes[b]) < 0xC0 || static_cast<std::uint8_t>(bytes[b]) > 0xC3);
        QCOMPARE(static_cast<std::uint8_t>(bytes[start]), 0xC0 + i % ChannelCount);
        badMark += static_cast<std::uint8_t>(bytes[start + 1]) != 0xFF;
        const int voltage = static_cast<std::uint8_t>(bytes[start + 2]) | static_cast<std::uint8_t>(bytes[start + 3])
                                                                              << 8;
        const int current = static_cast<std::uint8_t>(bytes[start + 8]) | static_cast<std::uint8_t>(bytes[start + 9])
                                                                              << 8;
        implausible += voltage > MaxPlausibleVoltage || current > MaxPlausibleCurrent;
    }
    QVERIFY(differing > 100);
    // Each kind of fault appears at about its rate.
    QVERIFY(dropped > 40 && dropped < 120);
    QVERIFY(garbage > 60 && garbage < 180);
    QVERIFY(badMark > 30 && badMark < 100);
    QVERIFY(implausible > 30 && implausible < 100);
}

void TSimulatorTest::spoiledFramesAreCountedNotReported()
{
    TSimProcess sim({"--com", QString::number(SimComNumber), "--fast", "--quiet", "--seed", "3", "--drop", "0.1",
                     "--garbage", "0.2", "--implausible", "0.2"});
    QCOMPARE(sim.WaitForLine("com "), QString::number(SimComNumber));
    TKRVCharger charger;
    TReceived received;
    Record(charger, received);
    charger.ComNumber = SimComNumber;
    charger.Open();
    QTRY_VERIFY_WITH_TIMEOUT(received.Frames >= 200, 30000);
    QVERIFY(charger.LostCount() > 0);
    QVERIFY(received.Valid < received.Frames);
    // Whatever arrived, the link kept going and holds only what a frame can carry.
    QCOMPARE(charger.LinkState(), lsOpen);
    for (int i = 0; i < ChannelCount; ++i)
        QVERIFY(charger.Channels().Items(i).GetValue(vtUnLoadVoltage) < 0x2000);
    charger.Close();
    QCOMPARE(received.Closes, 1);
}

void TSimulatorTest::badOptionsAreRefused()
{
    for (const QStringList &arguments : {QStringList{"--mode", "burst"}, QStringList{"--com", "0"},
                                         QStringList{"--drop", "2"}, QStringList{"--frames", "1.5"}}) {
        QProcess sim;
        sim.start(qEnvironmentVariable("KORVANE_SIM"), arguments);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(!sim.readAllStandardError().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TSimulatorTest)
#include "tst_simulator.moc"
