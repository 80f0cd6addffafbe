// The time window: page width, scroll bar and automatic scrolling as data grows, through
// the real main window.
#include "MainFixture.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/TempConfig.h"

#include <QScrollBar>
#include <QTest>

namespace {

QCPRange TimeRange(TMainFixture &F) { return F.Form->Chart->TimeAxis()->range(); }

// Steps of one plausible frame of channel 0 each.
void FeedSteps(TMainFixture &F, int Count)
{
    for (int i = 0; i < Count; ++i)
        F.Feed(MakeFrame(0, 1400, 500, std::uint16_t(i / 15)));
}

} // namespace

class TestScrolling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void OnePageOfDataKeepsTheBarDisabled()
    {
        TMainFixture f;
        const TChartScroll &scroll = f.Form->Pages->Scroll();
        QCOMPARE(scroll.Min(), 0);
        f.OpenIn(fmSingle);
        FeedSteps(f, 100);
        QCOMPARE(f.Form->Pages->PageSamples, 150u);
        QCOMPARE(scroll.Max(), 150);
        QCOMPARE(scroll.Position(), 0);
        QVERIFY(!scroll.Enabled());
        QVERIFY(!f.Form->scrlbrChart->isEnabled());
        QCOMPARE(TimeRange(f), QCPRange(1, 150));
    }

    void AutoScrollFollowsNewSteps()
    {
        TMainFixture f;
        const TChartScroll &scroll = f.Form->Pages->Scroll();
        f.OpenIn(fmSingle);
        FeedSteps(f, 400);
        QCOMPARE(scroll.Max(), 400);
        QCOMPARE(scroll.Position(), 250);
        QVERIFY(scroll.Enabled());
        QCOMPARE(scroll.Min(), 1);
        QCOMPARE(scroll.PageSize(), 151);
        QCOMPARE(scroll.LargeChange(), 150);
        QCOMPARE(TimeRange(f), QCPRange(250, 400));
        FeedSteps(f, 1);
        QCOMPARE(scroll.Position(), 251);
        QCOMPARE(TimeRange(f), QCPRange(251, 401));
        // The Qt bar shows the same: its thumb ends where the last page begins.
        QCOMPARE(f.Form->scrlbrChart->maximum(), 251);
        QCOMPARE(f.Form->scrlbrChart->value(), 251);

        // Without automatic scrolling the view stays; a reset jumps to the last page.
        f.Form->actAutoScroll->trigger();
        QVERIFY(!f.Form->actAutoScroll->isChecked());
        FeedSteps(f, 10);
        QCOMPARE(scroll.Position(), 251);
        f.Form->Pages->UpdateChartScroll(0);
        QCOMPARE(scroll.Position(), 261);
    }

    void ThumbIsHeldAtTheLastPage()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        FeedSteps(f, 400);
        f.Form->Pages->scrlbrChartScroll(5000);
        QCOMPARE(f.Form->Pages->Scroll().Position(), 250);
        QCOMPARE(TimeRange(f), QCPRange(250, 400));
        QCOMPARE(f.Form->scrlbrChart->value(), 250);
        // Held at the first step, the view starts where the thumb is.
        f.Form->Pages->scrlbrChartScroll(-5);
        QCOMPARE(TimeRange(f), QCPRange(1, 151));
        QCOMPARE(f.Form->scrlbrChart->value(), 1);
        // The user drags the real bar.
        f.Form->scrlbrChart->setValue(40);
        QCOMPARE(f.Form->Pages->Scroll().Position(), 40);
        QCOMPARE(TimeRange(f), QCPRange(40, 190));
        // With automatic scrolling the place the user chose moves along with the data.
        FeedSteps(f, 1);
        QCOMPARE(TimeRange(f), QCPRange(41, 191));
        QCOMPARE(f.Form->scrlbrChart->value(), 41);
    }

    // Steps without new points, from a finished charge or from implausible frames, still end
    // the view at the newest step, with the thumb where the view begins.
    void ViewEndsAtTheNewestStepWithoutNewPoints()
    {
        const QByteArray idle = MakeFrame(0, 1400, 20, 20), implausible = MakeFrame(0, 3000, 500, 20);
        for (const QByteArray &frame : {idle, implausible}) {
            TMainFixture f;
            f.OpenIn(fmSingle);
            FeedSteps(f, 300);
            for (int i = 0; i < 30; ++i)
                f.Feed(frame);
            QCOMPARE(f.Form->Charger->SampleCount(), 330u);
            QCOMPARE(f.Series(0, 0).MaxX(), 300.0);
            QCOMPARE(f.Form->Pages->Scroll().Position(), 180);
            QCOMPARE(TimeRange(f), QCPRange(180, 330));
            QCOMPARE(f.Form->scrlbrChart->value(), 180);
            QCOMPARE(f.Form->scrlbrChart->maximum(), 180);
        }
    }

    void ClearAfterFourHundredStepsShowsTheFirstPage()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        FeedSteps(f, 400);
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.Form->actClearData->trigger();
        const TChartScroll &scroll = f.Form->Pages->Scroll();
        QCOMPARE(scroll.Max(), 150);
        QVERIFY(!scroll.Enabled());
        QCOMPARE(scroll.Position(), 1);
        QCOMPARE(TimeRange(f), QCPRange(1, 151));
    }

    void ScrollingSwitchedOffFitsAllPoints()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        FeedSteps(f, 400);
        f.Form->actAllowScrollChart->trigger();
        QVERIFY(!f.Form->actAutoScroll->isEnabled());
        QVERIFY(f.Form->Chart->TimeAutoScale());
        f.Form->Chart->replot();
        QCOMPARE(TimeRange(f), QCPRange(1, 400));
        FeedSteps(f, 20);
        f.Form->Chart->replot();
        QCOMPARE(TimeRange(f), QCPRange(1, 420));
        // Back on, automatic scrolling returns with its old check mark.
        f.Form->actAllowScrollChart->trigger();
        QVERIFY(f.Form->actAutoScroll->isEnabled());
        QVERIFY(f.Form->actAutoScroll->isChecked());
        QCOMPARE(TimeRange(f), QCPRange(270, 420));
    }

    void TimeLabelsReadWholeMinutesAtAnEvenStep()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        const auto labels = [&f] {
            f.Form->Chart->replot(QCustomPlot::rpImmediateRefresh);
            const QVector<QString> shown = f.Form->Chart->TimeAxis()->tickVectorLabels();
            // What the user reads: ticks without a point under them have no text.
            QStringList read(shown.begin(), shown.end());
            read.removeAll(QString());
            return read;
        };
        const auto minutesOf = [](const QString &Label) {
            return Label.section(QLatin1Char(':'), 0, 0).toInt() * 60 + Label.section(QLatin1Char(':'), 1).toInt();
        };
        // The first point is labelled at once.
        f.Feed(MakeFrame(0, 1400, 500, 17));
        QCOMPARE(labels(), QStringList{QStringLiteral("00:17")});

        // The charger's minute turns out of step with the step counter.
        for (int step = 1; step < 400; ++step)
            f.Feed(MakeFrame(0, 1400, 500, std::uint16_t(17 + (step + 4) / 15)));
        for (const std::uint16_t minutes : {std::uint16_t(10), std::uint16_t(1), std::uint16_t(60)}) {
            f.Form->Pages->SetPageWidth(minutes);
            f.Form->Pages->UpdateChartScroll(0);
            const QStringList shown = labels();
            QVERIFY2(!shown.isEmpty(), qPrintable(QString::number(minutes)));
            QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), shown.size());
            if (shown.size() < 3)
                continue;
            const int step = minutesOf(shown[2]) - minutesOf(shown[1]);
            for (qsizetype i = 1; i < shown.size(); ++i) {
                QCOMPARE(minutesOf(shown[i]) % step, 0);
                QCOMPARE(minutesOf(shown[i]) - minutesOf(shown[i - 1]), step);
            }
        }
    }

    void PageWidthChangesOnlyOnceTheTimingIsKnown()
    {
        TMainFixture f;
        f.Form->Pages->SetPageWidth(30);
        QCOMPARE(f.Form->Pages->PageSamples, 150u);
        f.OpenIn(fmSingle);
        f.Form->Pages->SetPageWidth(30);
        QCOMPARE(f.Form->Pages->PageSamples, 450u);
        f.Form->Pages->UpdateChartScroll(0);
        QCOMPARE(TimeRange(f), QCPRange(1, 450));
    }
};

QTEST_MAIN(TestScrolling)
#include "tst_scrolling.moc"
