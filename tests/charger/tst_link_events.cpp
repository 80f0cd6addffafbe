// The charger link's events and states around Open, Close, switching and resets.
#include "tests/support/LinkFixture.h"

#include <QtTest>

class TLinkEventsTest : public QObject
{
    Q_OBJECT

private slots:
    void openFromClosed();
    void openWithoutComNumberDoesNothing();
    void reopenWhileOpen();
    void failedOpen_data();
    void failedOpen();
    void failedOpenAfterAnOpenPort();
    void closeAndCloseAgain();
    void resetLinkDuringReception();
    void enabledWithItsOwnValue();
    void switchingOffAndOnKeepsTheFrameMode();
    void silenceRaisesTimeOutsUntilAFrame();
    void silentPortTimesOutDuringTheCheck();
    void lateTimeOutIsDropped();
    void vanishedDeviceCloses();
    void destructionWhileOpenRaisesNoClose();
};

void TLinkEventsTest::openFromClosed()
{
    TLinkFixture f;
    QCOMPARE(f.Charger->LinkState(), lsClosed);
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    QVERIFY(!f.Charger->Enabled());
    f.Charger->Open();
    QCOMPARE(f.Log->Events, (QStringList{"beforecheck", "open"}));
    QCOMPARE(f.Charger->LinkState(), lsOpen);
    QVERIFY(f.Charger->Enabled());
    QCOMPARE(f.Port->ComNumber, 1);
    QCOMPARE(f.Port->OpenCount, 1);
}

void TLinkEventsTest::openWithoutComNumberDoesNothing()
{
    TLinkFixture f;
    f.Charger->ComNumber = 0;
    f.Charger->Open();
    QVERIFY(f.Log->Events.isEmpty());
    QVERIFY(!f.Charger->Enabled());
    QCOMPARE(f.Port->OpenCount, 0);
}

void TLinkEventsTest::reopenWhileOpen()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    for (int channel : {0, 1, 3})
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    QCOMPARE(f.Charger->PacketCount(), 3u);
    QVERIFY(f.Charger->LostCount() > 0);
    f.Log->Clear();

    f.Charger->Open();
    QCOMPARE(f.Log->Events, (QStringList{"close", "beforecheck", "open"}));
    QCOMPARE(f.Charger->PacketCount(), 0u);
    QCOMPARE(f.Charger->LostCount(), 0u);
    QCOMPARE(f.Charger->SampleCount(), 0u);
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.Charger->Channels().Items(i).State, csUnknown);
    // The check itself is watched with the group interval.
    QCOMPARE(f.Charger->Watchdog().Interval(), GroupModeInterval);
}

void TLinkEventsTest::failedOpen_data()
{
    QTest::addColumn<QString>("reason");
    QTest::newRow("absent port") << "No such file or directory";
    QTest::newRow("busy port") << "Permission error while locking the device";
}

void TLinkEventsTest::failedOpen()
{
    QFETCH(QString, reason);
    TLinkFixture f;
    f.Port->Failure = reason;
    f.Charger->Open();
    QCOMPARE(f.Log->Events, QStringList{"failure"});
    QCOMPARE(f.Charger->LinkState(), lsFailure);
    // Nothing is undone: receiving stays switched on, the port stays closed.
    QVERIFY(f.Charger->Enabled());
    QVERIFY(!f.Port->Open());
    QCOMPARE(f.Charger->OpenFailure().Detail, reason);
    QCOMPARE(f.Charger->OpenFailure().Fault, ofOther);

    f.Port->Failure.clear();
    f.Charger->Open();
    QCOMPARE(f.Charger->LinkState(), lsOpen);
    QCOMPARE(f.Charger->OpenFailure().Fault, ofNone);
}

void TLinkEventsTest::failedOpenAfterAnOpenPort()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Failure = "busy";
    f.Charger->Open();
    QCOMPARE(f.Log->Events, (QStringList{"close", "failure"}));
    QCOMPARE(f.Charger->LinkState(), lsFailure);
}

void TLinkEventsTest::closeAndCloseAgain()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(0, 1300, 500));
    f.Log->Clear();
    f.Charger->Close();
    QCOMPARE(f.Log->Events, QStringList{"close"});
    QCOMPARE(f.Charger->LinkState(), lsClosed);
    QVERIFY(!f.Charger->Enabled());
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f.Charger->Channels().Items(i).State, csIdle);
    // Counters and frames stay until the next opening.
    QCOMPARE(f.Charger->PacketCount(), 1u);
    QCOMPARE(f.Charger->GetFrame(0)[0], 0xC0);

    f.Log->Clear();
    f.Charger->SetEnabled(true);
    f.Charger->Close();
    QVERIFY(f.Log->Events.isEmpty());
    QVERIFY(!f.Charger->Enabled());
}

void TLinkEventsTest::resetLinkDuringReception()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    for (int channel : {0, 1, 2})
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    f.Charger->ResetLink();
    QCOMPARE(f.Charger->PacketCount(), 0u);
    QCOMPARE(f.Charger->SampleCount(), 0u);
    QCOMPARE(f.Charger->Channels().Items(1).State, csUnknown);
    QCOMPARE(f.Charger->Watchdog().Interval(), WaitWithoutLimit);
    QCOMPARE(f.Charger->FrameMode(), fmSingle);
    QCOMPARE(f.Charger->LinkState(), lsOpen);
    f.Log->Clear();
    // Decoding goes on; the decoder still remembers channel 2 as the last one.
    f.Port->Receive(MakeFrame(3, 1300, 500));
    QCOMPARE(f.Log->Events.filter("receive"), QStringList{"receive 3 1"});
    QCOMPARE(f.Log->Events.filter("state"), QStringList{"state 3 2"});
    QCOMPARE(f.Charger->PacketCount(), 1u);
    QCOMPARE(f.Charger->SampleCount(), 0u);
}

void TLinkEventsTest::enabledWithItsOwnValue()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(0, 1300, 500).left(15));
    const int flushes = f.Port->FlushCount;
    f.Charger->SetEnabled(true);
    QCOMPARE(f.Port->FlushCount, flushes);
    QCOMPARE(f.Port->BytesWaiting(), 15);
    QVERIFY(!f.Charger->Watchdog().FSuspendAfterWait);
    f.Charger->SetEnabled(false);
    QCOMPARE(f.Port->FlushCount, flushes + 1);
    QVERIFY(f.Charger->Watchdog().FSuspendAfterWait);
    f.Charger->SetEnabled(false);
    QCOMPARE(f.Port->FlushCount, flushes + 1);
}

void TLinkEventsTest::switchingOffAndOnKeepsTheFrameMode()
{
    TLinkFixture f;
    f.OpenIn(fmGroup);
    f.Charger->SetEnabled(false);
    f.Port->Receive(MakeFrame(0, 1300, 500));
    QCOMPARE(f.Log->Count("avail"), 0);
    f.Charger->SetEnabled(true);
    QCOMPARE(f.Port->BytesWaiting(), 0);
    QCOMPARE(f.Log->Count("aftercheck"), 0);
    for (int channel = 0; channel < 4; ++channel)
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    QCOMPARE(f.Log->Reports().size(), 4);
}

void TLinkEventsTest::silenceRaisesTimeOutsUntilAFrame()
{
    TLinkFixture f;
    QElapsedTimer clock;
    clock.start();
    f.OpenIn(fmSingle);
    QTRY_COMPARE_WITH_TIMEOUT(f.Log->Count("timeout"), 2, 10000);
    QVERIFY(clock.elapsed() >= 2 * 1485 - 50);
    QCOMPARE(f.Charger->LinkState(), lsTimeOut);
    f.Port->Receive(MakeFrame(0, 1300, 500));
    QCOMPARE(f.Charger->LinkState(), lsOpen);
}

void TLinkEventsTest::silentPortTimesOutDuringTheCheck()
{
    // Three channels only: the check never decides, yet the silence is reported, again and
    // again, and the check goes on.
    TLinkFixture f;
    QElapsedTimer clock;
    clock.start();
    f.Charger->Open();
    for (int channel = 0; channel < 3; ++channel) {
        f.Tick += 1000;
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.Log->Count("timeout"), 1, 8000);
    QVERIFY(clock.elapsed() >= GroupModeInterval - 50);
    QCOMPARE(f.Charger->LinkState(), lsTimeOut);
    QCOMPARE(f.Charger->FrameMode(), fmUnknown);
    f.Tick += 1000;
    f.Port->Receive(MakeFrame(3, 1300, 500));
    QCOMPARE(f.Charger->FrameMode(), fmSingle);
    QCOMPARE(f.Log->Count("aftercheck"), 1);
    QCOMPARE(f.Charger->LinkState(), lsOpen);
    QCOMPARE(f.Charger->Watchdog().Interval(), SingleModeInterval);
}

void TLinkEventsTest::lateTimeOutIsDropped()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    // A time-out posted just before a switch-off, a close or a reset is handled after it.
    f.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
    f.Charger->SetEnabled(false);
    f.DeliverPosts();
    f.Charger->SetEnabled(true);
    f.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
    f.Charger->ResetLink();
    f.DeliverPosts();
    f.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
    f.Charger->Open();
    f.DeliverPosts();
    f.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
    f.Charger->Close();
    f.DeliverPosts();
    QCOMPARE(f.Log->Count("timeout"), 0);
    QCOMPARE(f.Charger->LinkState(), lsClosed);

    // While waiting for frames a time-out counts; another parameter does not.
    f.OpenIn(fmGroup);
    f.Charger->Window()->Post(WM_TIMEOUT, 2, 0);
    f.DeliverPosts();
    QCOMPARE(f.Log->Count("timeout"), 0);
    f.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
    f.DeliverPosts();
    QCOMPARE(f.Log->Count("timeout"), 1);
    QCOMPARE(f.Charger->LinkState(), lsTimeOut);
}

void TLinkEventsTest::vanishedDeviceCloses()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(1, 1300, 500, 3, 99));
    f.Log->Clear();
    f.Port->Unplug();
    QCOMPARE(f.Log->Events, QStringList{"close"});
    QCOMPARE(f.Charger->LinkState(), lsClosed);
    QCOMPARE(f.Charger->Channels().Items(1).State, csIdle);
    QCOMPARE(f.Charger->Channels().Items(1).GetValue(vtCapacity), 99);
    // Nothing is watched any more until the next open, and the port tells a loss from a close.
    QVERIFY(f.Port->DeviceWasLost());
    QVERIFY(!f.Charger->Enabled());
    QTRY_VERIFY(f.Charger->Watchdog().Suspended());
    f.Charger->Open();
    QVERIFY(!f.Port->DeviceWasLost());
    f.Charger->Close();
    QVERIFY(!f.Port->DeviceWasLost());
}

void TLinkEventsTest::destructionWhileOpenRaisesNoClose()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(1, 1300, 500));
    bool closed = false;
    f.Charger->OnClose = [&closed](TKRVCharger *) { closed = true; };
    int failures = 0;
    f.Charger->OnFailure = [&failures](TKRVCharger *) { ++failures; };
    f.Charger.reset();
    QVERIFY(!closed);
    QCOMPARE(failures, 0);
    QVERIFY(f.Log->Events.filter("close").isEmpty());
}

QTEST_GUILESS_MAIN(TLinkEventsTest)
#include "tst_link_events.moc"
