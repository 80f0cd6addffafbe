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
        // The user drags the real bar.
        f.Form->scrlbrChart->setValue(40);
        QCOMPARE(f.Form->Pages->Scroll().Position(), 40);
        QCOMPARE(TimeRange(f), QCPRange(40, 190));
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
