// The frame decoder stage by stage, with exactly the bytes waiting that each case names.
#include "tests/support/LinkFixture.h"

#include <QtTest>

class TDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void huntingNeedsAWholeFrameWaiting();
    void startByteAmongGarbage();
    void fullFrameInOneCall();
    void oneFramePerCall();
    void nonStartBytesAreDiscarded_data();
    void nonStartBytesAreDiscarded();
    void failedHeaderMarkLosesTheNextFrameToo();
    void plausibilityLimits_data();
    void plausibilityLimits();
    void singleModeCountsAndFlags();
    void lostFrameTable_data();
    void lostFrameTable();
    void groupModeReportsOnChannelThree();
    void disablingResetsTheDecoder();
    void channelValues();
    void channelStateThreshold();
};

void TDecoderTest::huntingNeedsAWholeFrameWaiting()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    const QByteArray frame = MakeFrame(1, 1452, 1200, 75, 640);
    f.Port->Receive(frame.left(15));
    f.DeliverPosts();
    QCOMPARE(f.Port->BytesWaiting(), 15);
    QCOMPARE(f.Charger->Decoder().Position(), -1);
    QCOMPARE(f.Log->Count("picket"), 0);
    QCOMPARE(f.Log->Count("avail"), 1);

    f.Port->Receive(frame.mid(15));
    f.DeliverPosts();
    QCOMPARE(f.Port->BytesWaiting(), 0);
    QCOMPARE(f.Log->Count("picket"), 3);
    QCOMPARE(f.Log->Reports(), QStringList{"receive 1 3"});
}

void TDecoderTest::startByteAmongGarbage()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    // Channel 2's block holds an earlier frame; a new start byte zeroes it.
    f.Port->Receive(MakeFrame(2, 1400, 500, 10, 100));
    f.DeliverPosts();
    f.Log->Clear();

    f.Port->Receive(QByteArray::fromHex("0010c2ff") + QByteArray(12, '\x01'));
    f.DeliverPosts();
    QCOMPARE(f.Charger->Decoder().Position(), 0);
    QCOMPARE(f.Charger->Decoder().Channel(), 2);
    QCOMPARE(f.Port->BytesWaiting(), 13);
    QCOMPARE(f.Log->Count("picket"), 1);
    const std::uint8_t *block = f.Charger->GetFrame(2);
    QCOMPARE(block[0], 0xC2);
    for (int i = 1; i < 16; ++i)
        QCOMPARE(block[i], 0);
    // The frame in progress reads as nothing, the capacity included.
    f.Charger->Channels().Items(2).State = csWorking;
    QCOMPARE(f.Charger->Channels().Items(2).GetValue(vtCapacity), 0);
    QVERIFY(f.Log->Reports().isEmpty());
}

void TDecoderTest::fullFrameInOneCall()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(QByteArray::fromHex("c1ffac0500000000b00419004b008002"));
    f.DeliverPosts();
    QCOMPARE(f.Log->Events, (QStringList{"avail", "state 1 2", "receive 1 3", "picket", "picket", "picket"}));
    TKRVChannel &channel = f.Charger->Channels().Items(1);
    QCOMPARE(channel.State, csWorking);
    QCOMPARE(channel.GetValue(vtUnLoadVoltage), 1452);
    QCOMPARE(channel.GetValue(vtLoadVoltage), 0);
    QCOMPARE(channel.GetValue(vtCurrent), 1200);
    QCOMPARE(channel.GetValue(vtTemperature), 25);
    QCOMPARE(channel.GetValue(vtWorkingTime), 75);
    QCOMPARE(channel.GetValue(vtCapacity), 640);
    QCOMPARE(channel.GetValue(vtChannelIndex), 0x1FC1);
    QCOMPARE(f.Charger->LinkState(), lsOpen);
}

void TDecoderTest::oneFramePerCall()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(0, 1300, 900) + MakeFrame(1, 1310, 900));
    QCOMPARE(f.Log->Reports(), QStringList{"receive 0 3"});
    QCOMPARE(f.Port->BytesWaiting(), 16);
    f.Port->NotifyWaiting();
    QCOMPARE(f.Log->Reports(), (QStringList{"receive 0 3", "receive 1 1"}));
}

void TDecoderTest::nonStartBytesAreDiscarded_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::newRow("one above the start bytes") << QByteArray::fromHex("c4");
    QTest::newRow("one below the start bytes") << QByteArray::fromHex("bf");
    QTest::newRow("a header mark alone") << QByteArray::fromHex("ff");
    QTest::newRow("a run of garbage") << QByteArray::fromHex("00ffc4bf7f80fe");
}

void TDecoderTest::nonStartBytesAreDiscarded()
{
    QFETCH(QByteArray, garbage);
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(garbage + MakeFrame(3, 1350, 0, 0, 777));
    QCOMPARE(f.Log->Reports(), QStringList{"receive 3 3"});
    QCOMPARE(f.Port->BytesWaiting(), 0);
    QCOMPARE(f.Charger->Channels().Items(3).GetValue(vtCapacity), 777);
}

void TDecoderTest::failedHeaderMarkLosesTheNextFrameToo()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(QByteArray::fromHex("c0") + MakeFrame(1, 1400, 800));
    f.DeliverPosts();
    // 0xC1 was taken as channel 0's header mark and failed.
    QCOMPARE(f.Charger->Decoder().Position(), -1);
    QCOMPARE(f.Charger->Decoder().Channel(), -1);
    QVERIFY(!f.Charger->Decoder().Flags(0).Contains(ffHeader));
    QCOMPARE(f.Charger->GetFrame(0)[0], 0xC0);
    QCOMPARE(f.Charger->GetFrame(0)[1], 0);
    QCOMPARE(f.Log->Count("picket"), 2);
    // Hunting resumes after 0xC1: the 0xFF and the body are garbage, fewer than 16 remain.
    QCOMPARE(f.Port->BytesWaiting(), 15);
    f.Port->Receive(MakeFrame(2, 1400, 800));
    QCOMPARE(f.Log->Reports(), QStringList{"receive 2 3"});
}

void TDecoderTest::plausibilityLimits_data()
{
    QTest::addColumn<int>("voltage");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("flag");
    QTest::newRow("both at their limits") << 2495 << 1200 << 3;
    QTest::newRow("voltage above") << 2496 << 1200 << 2;
    QTest::newRow("current above") << 2495 << 1201 << 2;
    QTest::newRow("top bits ignored") << 0xE000 + 1000 << 0xE000 + 100 << 3;
}

void TDecoderTest::plausibilityLimits()
{
    QFETCH(int, voltage);
    QFETCH(int, current);
    QFETCH(int, flag);
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(0, std::uint16_t(voltage), std::uint16_t(current)));
    QCOMPARE(f.Log->Reports(), QStringList{QStringLiteral("receive 0 %1").arg(flag)});
    // An implausible frame is still stored.
    QCOMPARE(int(f.Charger->Channels().Items(0).GetValue(vtUnLoadVoltage)), voltage & 0x1FFF);
}

void TDecoderTest::singleModeCountsAndFlags()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    for (int channel : {0, 1, 2, 3, 0})
        f.Port->Receive(MakeFrame(channel, 1300, 500));
    QCOMPARE(f.Charger->PacketCount(), 5u);
    QCOMPARE(f.Charger->LostCount(), 0u);
    QCOMPARE(f.Charger->SampleCount(), 2u);
    QCOMPARE(f.Log->Reports(),
             (QStringList{"receive 0 3", "receive 1 1", "receive 2 1", "receive 3 1", "receive 0 3"}));

    // A channel seen twice in a row starts a new row; an implausible frame keeps the row bit.
    f.Port->Receive(MakeFrame(0, 3000, 500));
    QCOMPARE(f.Log->Reports().last(), QString("receive 0 2"));
    QCOMPARE(f.Charger->SampleCount(), 3u);
    QCOMPARE(f.Charger->LostCount(), 4u);
}

void TDecoderTest::lostFrameTable_data()
{
    QTest::addColumn<int>("mode");
    // Frames in arrival order: a channel number, "x" before it for a broken header mark;
    // "|" only separates rounds for the reader.
    QTest::addColumn<QString>("frames");
    QTest::addColumn<int>("lost");
    QTest::addColumn<int>("packets");
    // "step:flags" for each run of reports at one sample step; empty when not checked.
    QTest::addColumn<QString>("reports");
    // Frames lost going forward round the cycle 0, 1, 2, 3, 0 ...
    const int table[4][4] = {{4, 0, 1, 2}, {2, 4, 0, 1}, {1, 2, 4, 0}, {0, 1, 2, 4}};
    for (int prev = 0; prev < 4; ++prev)
        for (int cur = 0; cur < 4; ++cur)
            QTest::addRow("%d then %d", prev, cur)
                << int(fmSingle) << QStringLiteral("%1 %2").arg(prev).arg(cur) << table[prev][cur] << 2 << QString();
    // In single mode a missed round costs four frames and the frame after it begins the next step.
    QTest::newRow("single, a round missed after channel 1") << int(fmSingle) << "0 1 | 1" << 4 << 3 << "1:31 2:3";
    // A group that never came to be reported costs its four frames and its step: the Idx of
    // the next group leaves a gap.
    QTest::newRow("group without its channel 3")
        << int(fmGroup) << "0 1 2 3 | 0 1 2 | 0 1 2 3" << 4 << 2 << "1:3111 3:3111";
    QTest::newRow("group of which only channel 0 came")
        << int(fmGroup) << "0 1 2 3 | 0 | 0 1 2 3" << 4 << 2 << "1:3111 3:3111";
    QTest::newRow("two groups in a row without channel 3")
        << int(fmGroup) << "0 1 2 | 0 1 2 | 0 1 2 3" << 8 << 1 << "3:3111";
    // The frames of a lost group are not passed off as the next group's readings.
    QTest::newRow("a repeated channel starts a new group")
        << int(fmGroup) << "0 1 2 3 | 2 | 2 | 0 3" << 8 << 2 << "1:3111 4:3001";
    QTest::newRow("broken header at the start of a complete group")
        << int(fmGroup) << "0 1 2 3 | x0 1 2 3" << 0 << 2 << "1:3111 2:2111";
    QTest::newRow("broken header at the start of the group after one without channel 3")
        << int(fmGroup) << "0 1 2 | x0 1 2 3" << 4 << 1 << "2:2111";
    QTest::newRow("broken channel 3 and broken start of the next group")
        << int(fmGroup) << "0 1 2 x3 | x0 1 x2 3" << 4 << 1 << "2:2101";
}

void TDecoderTest::lostFrameTable()
{
    QFETCH(int, mode);
    QFETCH(QString, frames);
    QFETCH(int, lost);
    QFETCH(int, packets);
    QFETCH(QString, reports);
    TLinkFixture f;
    f.OpenIn(TFrameMode(mode));
    QStringList runs;
    f.Charger->OnReceiveData = [&](TKRVChannel *channel, std::int32_t flag) {
        const QString step = QString::number(channel->GetCharger()->SampleCount()) + QLatin1Char(':');
        if (runs.isEmpty() || !runs.last().startsWith(step))
            runs << step;
        runs.last() += QString::number(flag);
    };
    for (const QString &frame : frames.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (frame == QLatin1String("|"))
            continue;
        QByteArray bytes = MakeFrame(frame.right(1).toInt(), 1300, 500);
        if (frame.startsWith(QLatin1Char('x')))
            bytes[1] = char(0x7F);
        f.Port->Receive(bytes);
    }
    QCOMPARE(int(f.Charger->LostCount()), lost);
    QCOMPARE(int(f.Charger->PacketCount()), packets);
    if (!reports.isEmpty())
        QCOMPARE(runs.join(QLatin1Char(' ')), reports);
}

void TDecoderTest::groupModeReportsOnChannelThree()
{
    TLinkFixture f;
    f.OpenIn(fmGroup);
    f.Port->Receive(MakeFrame(0, 1300, 500));
    f.Port->Receive(MakeFrame(1, 3000, 500));
    f.Port->Receive(MakeFrame(2, 1300, 0));
    QVERIFY(f.Log->Reports().isEmpty());
    QCOMPARE(f.Charger->PacketCount(), 0u);
    f.Port->Receive(MakeFrame(3, 1300, 500));
    QCOMPARE(f.Log->Reports(), (QStringList{"receive 0 3", "receive 1 0", "receive 2 1", "receive 3 1"}));
    QCOMPARE(f.Charger->PacketCount(), 1u);
    QCOMPARE(f.Charger->SampleCount(), 1u);

    // A frame broken in the group (channel 1's header mark) or missing from it (channel 2)
    // is no new sample: no values bit, the state and the values it last sent stay.
    for (int channel : {0, 1, 2, 3})
        f.Port->Receive(MakeFrame(channel, 1300, 500 + channel, 0, 100 + channel));
    QByteArray broken = MakeFrame(1, 1400, 900);
    broken[1] = char(0x7F);
    f.Log->Clear();
    f.Port->Receive(MakeFrame(0, 1300, 0) + broken + MakeFrame(3, 1300, 500));
    f.Port->NotifyWaiting();
    f.Port->NotifyWaiting();
    QCOMPARE(f.Log->Events.filter(QRegularExpression("^(receive|state)")),
             (QStringList{"state 0 1", "receive 0 3", "receive 1 0", "receive 2 0", "receive 3 1"}));
    for (int channel : {1, 2}) {
        const TKRVChannel &c = f.Charger->Channels().Items(channel);
        QCOMPARE(c.State, csWorking);
        QCOMPARE(c.GetValue(vtCurrent), 500 + channel);
        QCOMPARE(c.GetValue(vtCapacity), 100 + channel);
    }
    // Channel 0 still carries the new step when its own frame is the one missing.
    f.Log->Clear();
    f.Port->Receive(MakeFrame(1, 1300, 500) + MakeFrame(2, 1300, 500) + MakeFrame(3, 1300, 500));
    f.Port->NotifyWaiting();
    f.Port->NotifyWaiting();
    QCOMPARE(f.Log->Reports(), (QStringList{"receive 0 2", "receive 1 1", "receive 2 1", "receive 3 1"}));
    QCOMPARE(f.Charger->SampleCount(), 4u);
}

void TDecoderTest::disablingResetsTheDecoder()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    // One stray byte and fifteen of frame 2 behind frame 1: the next step takes the start
    // byte and waits for the header mark.
    f.Port->Receive(MakeFrame(1, 1300, 500) + QByteArray(1, '\x01') + MakeFrame(2, 1300, 500).left(15));
    QCOMPARE(f.Charger->Decoder().Position(), -1);
    f.Port->NotifyWaiting();
    QCOMPARE(f.Charger->Decoder().Position(), 0);
    QCOMPARE(f.Charger->Decoder().Channel(), 2);
    f.Charger->SetEnabled(false);
    QCOMPARE(f.Charger->Decoder().Position(), -1);
    QCOMPARE(f.Charger->Decoder().LastChannel(), -1);
    QCOMPARE(f.Port->BytesWaiting(), 0);
    // Bytes that arrive while switched off are not decoded.
    f.Port->Receive(MakeFrame(0, 1300, 500));
    QCOMPARE(f.Log->Reports().size(), 1);
    f.Charger->SetEnabled(true);
    QCOMPARE(f.Port->BytesWaiting(), 0);
    QCOMPARE(f.Charger->FrameMode(), fmSingle);
    f.Port->Receive(MakeFrame(3, 1300, 500));
    // The last channel was forgotten: a fresh start counts nothing as lost.
    QCOMPARE(f.Log->Reports().last(), QString("receive 3 3"));
    QCOMPARE(f.Charger->LostCount(), 0u);
}

void TDecoderTest::channelValues()
{
    TLinkFixture f;
    TKRVChannel &channel = f.Charger->Channels().Items(2);
    for (TChannelState state : {csUnknown, csIdle, csWorking}) {
        channel.State = state;
        for (int token = 0; token <= int(vtImpedance); ++token)
            QCOMPARE(channel.GetValue(TValueToken(token)), 0);
    }

    f.OpenIn(fmSingle);
    QByteArray frame = MakeFrame(2, 1450, 900, 12, 300);
    frame[2] = char(0x34);
    frame[3] = char(0xE2);
    f.Port->Receive(frame);
    QCOMPARE(channel.State, csWorking);
    QCOMPARE(channel.GetValue(vtUnLoadVoltage), 564);
    QCOMPARE(channel.GetValue(vtChannelIndex), 8130);
    QCOMPARE(channel.GetValue(vtImpedance), 0);

    // Reopened: the old frame stays, but only its capacity reads until a new frame comes.
    f.OpenIn(fmSingle);
    QCOMPARE(channel.State, csUnknown);
    QCOMPARE(channel.GetValue(vtCapacity), 300);
    QCOMPARE(channel.GetValue(vtUnLoadVoltage), 0);
    QCOMPARE(channel.GetValue(vtWorkingTime), 0);

    // A block naming another channel reads as nothing.
    f.Port->Receive(MakeFrame(1, 1450, 900, 12, 300));
    TKRVChannel &other = f.Charger->Channels().Items(0);
    other.State = csWorking;
    QCOMPARE(other.GetValue(vtCapacity), 0);
}

void TDecoderTest::channelStateThreshold()
{
    TLinkFixture f;
    f.OpenIn(fmSingle);
    f.Port->Receive(MakeFrame(0, 1300, 20, 5, 40));
    f.Port->Receive(MakeFrame(1, 1300, 21, 5, 40));
    f.Port->Receive(MakeFrame(2, 1300, 21, 5, 40));
    f.Port->Receive(MakeFrame(3, 1300, 0));
    f.Port->Receive(MakeFrame(0, 1300, 20, 5, 40));
    QCOMPARE(f.Charger->Channels().Items(0).State, csIdle);
    QCOMPARE(f.Charger->Channels().Items(1).State, csWorking);
    // Idle: everything but the capacity reads 0.
    QCOMPARE(f.Charger->Channels().Items(0).GetValue(vtUnLoadVoltage), 0);
    QCOMPARE(f.Charger->Channels().Items(0).GetValue(vtCapacity), 40);
    // A state change is raised once, before that frame's report.
    QCOMPARE(f.Log->Events.filter("state"), (QStringList{"state 0 1", "state 1 2", "state 2 2", "state 3 1"}));
    const int stateAt = int(f.Log->Events.indexOf("state 1 2"));
    QCOMPARE(f.Log->Events.at(stateAt + 1), QString("receive 1 1"));
}

QTEST_GUILESS_MAIN(TDecoderTest)
#include "tst_decoder.moc"
