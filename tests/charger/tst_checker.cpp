// The frame-timing check after an opening, with an injected tick source.
#include "tests/support/LinkFixture.h"

#include <QtTest>

class TCheckerTest : public QObject
{
    Q_OBJECT

private slots:
    void decision_data();
    void decision();
    void nothingIsDecodedWhileChecking();
    void switchedOffCheckIgnoresHeaders();
    void headersStraddlingChunks();
    void closeRemovesTheTriggers();
};

void TCheckerTest::decision_data()
{
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<QList<quint32>>("ticks");
    QTest::addColumn<int>("mode");

    QTest::newRow("one second apart") << QList<int>{0, 1, 2, 3} << QList<quint32>{5000, 6000, 7000, 8000}
                                      << int(fmSingle);
    QTest::newRow("50 ms apart") << QList<int>{0, 1, 2, 3} << QList<quint32>{5000, 5050, 5100, 5150} << int(fmGroup);
    QTest::newRow("median exactly 800") << QList<int>{0, 1, 2, 3} << QList<quint32>{0, 800, 1600, 2400} << int(fmGroup);
    QTest::newRow("median 801") << QList<int>{0, 1, 2, 3} << QList<quint32>{0, 801, 1602, 2403} << int(fmSingle);
    QTest::newRow("gaps 100 1000 5000") << QList<int>{0, 1, 2, 3} << QList<quint32>{0, 100, 1100, 6100}
                                        << int(fmSingle);
    QTest::newRow("median rule, not mean") << QList<int>{0, 1, 2, 3} << QList<quint32>{0, 10, 20, 9000} << int(fmGroup);
    QTest::newRow("first header is channel 2's")
        << QList<int>{2, 3, 0, 1} << QList<quint32>{1000, 2000, 3000, 4000} << int(fmSingle);
    QTest::newRow("tick counter wraps") << QList<int>{0, 1, 2, 3}
                                        << QList<quint32>{0xFFFFFC00, 0xFFFFFFF0, 0x3D0, 0x7C0} << int(fmSingle);
    // A channel seen again before the fourth: its latest sighting counts.
    QTest::newRow("a channel seen twice before the fourth")
        << QList<int>{0, 1, 1, 2, 3} << QList<quint32>{1000, 1050, 1100, 1150, 1200} << int(fmGroup);
    // Channel 1's header garbled in the first group: the decision comes in the second.
    QTest::newRow("one garbled header in a group charger")
        << QList<int>{0, 2, 3, 0, 1} << QList<quint32>{1000, 1030, 1045, 5000, 5015} << int(fmGroup);
    QTest::newRow("one garbled header in a single charger")
        << QList<int>{0, 2, 3, 0, 1} << QList<quint32>{1000, 3000, 4000, 5000, 6000} << int(fmSingle);
}

void TCheckerTest::decision()
{
    QFETCH(QList<int>, channels);
    QFETCH(QList<quint32>, ticks);
    QFETCH(int, mode);

    TLinkFixture f;
    f.Charger->Open();
    QCOMPARE(f.Log->Events, (QStringList{"beforecheck", "open"}));
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    for (qsizetype i = 0; i < channels.size(); ++i) {
        f.Tick = ticks[i];
        f.Port->Receive(QByteArray::fromHex(QByteArray::number(0xC0 + channels[i], 16) + "ff") + "\x11\x22");
        if (i + 1 < channels.size())
            QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    }
    QCOMPARE(int(f.Charger->FrameMode()), mode);
    QVERIFY(f.Charger->Checker().Done());
    QCOMPARE(f.Log->Count("aftercheck"), 1);
    QCOMPARE(f.Charger->Watchdog().Interval(), mode == int(fmSingle) ? SingleModeInterval : GroupModeInterval);
    // What arrived during the check is dropped.
    QCOMPARE(f.Port->BytesWaiting(), 0);
    QCOMPARE(f.Log->Count("avail"), 0);
}

void TCheckerTest::nothingIsDecodedWhileChecking()
{
    TLinkFixture f;
    f.Charger->Open();
    f.Port->Receive(MakeFrame(0, 1300, 500) + MakeFrame(1, 1300, 500) + MakeFrame(2, 1300, 500));
    QVERIFY(f.Log->Reports().isEmpty());
    QCOMPARE(f.Log->Count("avail"), 0);
    QCOMPARE(f.Port->BytesWaiting(), 48);
    QCOMPARE(f.Charger->Watchdog().Interval(), GroupModeInterval);
    // A later opening checks again from the start.
    f.Tick = 10;
    f.Port->Receive(MakeFrame(3, 1300, 500));
    QCOMPARE(f.Charger->FrameMode(), fmGroup);
    f.Charger->Open();
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    QVERIFY(!f.Charger->Checker().Done());
}

void TCheckerTest::switchedOffCheckIgnoresHeaders()
{
    TLinkFixture f;
    f.Charger->Open();
    f.Charger->SetEnabled(false);
    for (int channel = 0; channel < 4; ++channel)
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    for (const auto &entry : f.Charger->Checker().Headers())
        QVERIFY(!entry.Seen);
}

void TCheckerTest::headersStraddlingChunks()
{
    TLinkFixture f;
    f.Charger->Open();
    for (int channel = 0; channel < 4; ++channel) {
        f.Tick += 1000;
        f.Port->Receive(QByteArray(1, char(0xC0 + channel)));
        f.Port->Receive(QByteArray(1, char(0xFF)));
    }
    QCOMPARE(f.Charger->FrameMode(), fmSingle);
}

void TCheckerTest::closeRemovesTheTriggers()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(QByteArray::fromHex("0102"));
    f.Charger->Close();
    for (const auto &entry : f.Charger->Checker().Headers())
        QCOMPARE(entry.Handle, 0);
    QCOMPARE(f.Charger->Port().BytesWaiting(), 0);
    QVERIFY(!f.Charger->Enabled());
}

QTEST_GUILESS_MAIN(TCheckerTest)
#include "tst_checker.moc"
