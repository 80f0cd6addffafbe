// Frames from the charger into chart points, channel rows and export lines, through the real
// main window and the real link over an in-memory port.
#include "MainFixture.h"
#include "display/ChartTickers.h"
#include "display/SampleFeeder.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QTest>

class TestFeeding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void FlagsDecideWhatIsAdded()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        QCOMPARE(f.Form->FExportLines->Count(), 0u);

        // Flag 3: channel 0 starts the step with plausible values.
        f.Feed(MakeFrame(0, 1450, 1200, 75, 300));
        QCOMPARE(f.Form->Charger->SampleCount(), 1u);
        QCOMPARE(f.Series(0, 0).PointCount(), 1);
        QCOMPARE(f.Series(0, 0).Graph()->data()->at(0)->key, 1.0);
        QCOMPARE(f.Series(0, 0).Graph()->data()->at(0)->value, 1.45);
        QCOMPARE(f.Series(1, 0).Graph()->data()->at(0)->value, 1200.0);
        QCOMPARE(f.Series(2, 0).BarValue(), 300.0);
        std::uint32_t minutes = 0;
        QVERIFY(f.Series(0, 0).MinutesAt(1, minutes));
        QCOMPARE(minutes, 75u);
        QCOMPARE(f.Form->Chart->TimeLabelAt(1), QStringLiteral("01:15"));

        // Flag 1: channel 1 in the same step.
        f.Feed(MakeFrame(1, 1300, 500, 10, 50));
        QCOMPARE(f.Form->Charger->SampleCount(), 1u);
        QCOMPARE(f.Series(0, 1).PointCount(), 1);

        // Flag 0: implausible voltage, same step: no points, but row and line.
        f.Feed(MakeFrame(2, 3000, 500, 10, 60));
        QCOMPARE(f.Series(0, 2).PointCount(), 0);
        QCOMPARE(f.Series(1, 2).PointCount(), 0);
        QCOMPARE(f.Series(2, 2).PointCount(), 0);
        QCOMPARE(f.Form->FRows[2].Voltage, 3000);
        QCOMPARE(f.Form->FRows[2].Capacity, 60);

        // Flag 2: channel 0 implausible starts a new step: only the scroll moves.
        f.Feed(MakeFrame(0, 3000, 500, 76, 301));
        QCOMPARE(f.Form->Charger->SampleCount(), 2u);
        QCOMPARE(f.Series(0, 0).PointCount(), 1);
        QCOMPARE(f.Series(2, 0).BarValue(), 300.0);
        QCOMPARE(f.Form->FRows[0].Capacity, 301);

        QCOMPARE(f.Form->FExportLines->Count(), 5u);
        QCOMPARE(f.Form->FExportLines->LineText(0), QStringLiteral("Idx,#,V,mA,C,min,mAh"));
        QCOMPARE(f.Form->FExportLines->LineText(1), QStringLiteral("1,1,1.45,1200,0,75,300"));
        QCOMPARE(f.Form->FExportLines->LineText(2), QStringLiteral("1,2,1.30,500,0,10,50"));
        QCOMPARE(f.Form->FExportLines->LineText(3), QStringLiteral("1,3,3.00,500,0,10,60"));
        QCOMPARE(f.Form->FExportLines->LineText(4), QStringLiteral("2,1,3.00,500,0,76,301"));
        // The status bar counts what the link counted.
        QCOMPARE(f.Form->StatusBarPanels->Panels[2]->Caption(), QString::number(f.Form->Charger->PacketCount()));
    }

    void IdleChannelKeepsItsCapacityBar()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        // 20 mA is idle: no lines, but the bar takes the capacity; no mark at 0 mAh.
        f.Feed(MakeFrame(0, 1400, 20, 30, 0));
        QCOMPARE(f.Form->Charger->Channels().Items(0).State, csIdle);
        QCOMPARE(f.Series(0, 0).PointCount(), 0);
        QCOMPARE(f.Series(1, 0).PointCount(), 0);
        QCOMPARE(f.Series(2, 0).PointCount(), 1);
        QVERIFY(!f.Series(2, 0).MarksVisible());
        f.Feed(MakeFrame(0, 1400, 20, 30, 1234));
        QCOMPARE(f.Series(2, 0).BarValue(), 1234.0);
        QVERIFY(f.Series(2, 0).MarksVisible());
        QCOMPARE(f.Series(2, 0).Bars()->MarkText(), QStringLiteral("1234 mAh"));
        QCOMPARE(f.Series(2, 0).PointCount(), 1);
        // Charging with nothing charged yet still shows the mark.
        f.Feed(MakeFrame(1, 1400, 500, 0, 0));
        QVERIFY(f.Series(2, 1).MarksVisible());
        // The idle row reads 0 for all but the capacity.
        QCOMPARE(f.Form->FRows[0].Voltage, 0);
        QCOMPARE(f.Form->FRows[0].State, std::uint8_t(csIdle));
        QCOMPARE(f.Form->FExportLines->LineText(2), QStringLiteral("2,1,0.00,0,0,0,1234"));
    }

    void FirstStepAfterOpenScrollsByTheStepCount()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        for (int i = 0; i < 5; ++i)
            f.FeedStep(1400, 500, 1);
        QCOMPARE(f.Form->Charger->SampleCount(), 5u);
        // Reopening rebuilds the series empty; the counter restarts but keeps running from
        // frames while the chart is empty, so the first new step's delta is the whole count.
        f.OpenIn(fmSingle);
        QCOMPARE(f.Series(0, 0).PointCount(), 0);
        QCOMPARE(f.Form->FExportLines->Count(), 0u);
        f.Feed(MakeFrame(0, 3000, 500));
        f.Feed(MakeFrame(0, 3000, 500));
        QCOMPARE(f.Form->Charger->SampleCount(), 2u);
        QCOMPARE(f.Form->Feeder->NewStepDelta(*f.Form->Charger), 2);
        f.Feed(MakeFrame(0, 1400, 500));
        QCOMPARE(f.Series(0, 0).MaxX(), 3.0);
        QCOMPARE(f.Form->Feeder->NewStepDelta(*f.Form->Charger), 0);
        // Hidden series do not count while any is shown.
        f.Series(0, 0).SetActive(false);
        f.Series(1, 0).SetActive(false);
        QCOMPARE(f.Form->Feeder->NewStepDelta(*f.Form->Charger), 3);
    }

    void GroupModeScrollsBeforeTheStatus()
    {
        TMainFixture f;
        f.OpenIn(fmGroup);
        QCOMPARE(f.Form->Charger->FrameMode(), fmGroup);
        for (int channel = 0; channel < ChannelCount; ++channel)
            f.Feed(MakeFrame(channel, 1400 + channel, 600));
        QCOMPARE(f.Form->Charger->SampleCount(), 1u);
        for (int channel = 0; channel < ChannelCount; ++channel)
            QCOMPARE(f.Series(0, channel).PointCount(), 1);
        QCOMPARE(f.Form->FExportLines->Count(), 5u);
        QCOMPARE(f.Form->StatusBarPanels->Panels[2]->Caption(), QStringLiteral("1"));
    }

    void LongWorkingTimesKeepTheirPoints()
    {
        TMainFixture f;
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.OpenIn(fmSingle);
        f.Feed(MakeFrame(0, 1400, 500, 1500, 10));
        QCOMPARE(f.Series(0, 0).PointCount(), 1);
        QCOMPARE(f.Form->Chart->TimeLabelAt(1), QStringLiteral("25:00"));
        QCOMPARE(WorkingTimeLabel(0x1FFF), QStringLiteral("136:31"));
        QCOMPARE(answerer.Count(), 0);
    }

    void ClearDataAsksFirst()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        for (int i = 0; i < 3; ++i)
            f.FeedStep(1400, 500, 1, 700);
        const std::size_t lines = f.Form->FExportLines->Count();
        {
            TBoxAnswerer answerer(QMessageBox::Cancel);
            f.Form->actClearData->trigger();
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Texts[0], QStringLiteral("确定要清除数据吗？清除后数据将不能恢复。"));
            QCOMPARE(answerer.Defaults[0], QMessageBox::Cancel);
        }
        QCOMPARE(f.Form->FExportLines->Count(), lines);
        QCOMPARE(f.Series(0, 0).PointCount(), 3);
        QCOMPARE(f.Form->Charger->SampleCount(), 3u);
        {
            TBoxAnswerer answerer(TBoxAnswerer::Escape);
            f.Form->actClearData->trigger();
            QCOMPARE(answerer.Count(), 1);
        }
        QCOMPARE(f.Series(0, 0).PointCount(), 3);
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            f.Form->actClearData->trigger();
        }
        QCOMPARE(f.Form->Charger->SampleCount(), 0u);
        QCOMPARE(f.Form->StatusBarPanels->Panels[2]->Caption(), QStringLiteral("0"));
        QCOMPARE(f.Form->StatusBarPanels->Panels[3]->Caption(), QStringLiteral("0"));
        for (const std::unique_ptr<TChartSeries> &series : f.Form->Chart->Series)
            QCOMPARE(series->PointCount(), 0);
        QCOMPARE(f.Form->FExportLines->Count(), 0u);
        // The rows keep their last values; only their state goes back to 1.
        QCOMPARE(f.Form->FRows[0].Capacity, 700);
        QCOMPARE(f.Form->FRows[0].State, std::uint8_t(1));
        QCOMPARE(f.Form->Charger->Channels().Items(0).State, csUnknown);
        // The next update starts the list with its header again.
        f.Feed(MakeFrame(0, 1400, 500, 2, 710));
        QCOMPARE(f.Form->FExportLines->Count(), 2u);
        QCOMPARE(f.Form->FExportLines->LineText(1), QStringLiteral("1,1,1.40,500,0,2,710"));
    }

    void VoltsColumnRoundsHalfUpWithAFullStop()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(TExportLines::VoltsText(1234), QByteArray("1.23"));
        QCOMPARE(TExportLines::VoltsText(1235), QByteArray("1.24"));
        QCOMPARE(TExportLines::VoltsText(65535), QByteArray("65.54"));
        QCOMPARE(TExportLines::VoltsText(0), QByteArray("0.00"));
        QCOMPARE(TExportLines::VoltsText(4), QByteArray("0.00"));
        QCOMPARE(TExportLines::VoltsText(995), QByteArray("1.00"));
        // Axis labels follow the user's separator.
        QCOMPARE(FormatAxisValue(QStringLiteral("#0.000 V"), 1.25), QStringLiteral("1,250 V"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(FormatAxisValue(QStringLiteral("#0 mAh"), 1234.4), QStringLiteral("1234 mAh"));
    }
};

QTEST_MAIN(TestFeeding)
#include "tst_feeding.moc"
