// Reading the chart with the mouse and the keyboard on the real main window: wheel zoom, Ctrl+wheel
// on the value axis, dragging, back to live, the hover read-out, the scroll bar in step, pictures
// without the cursor, and repaints that wait for a shown window.
#include "display/ChartGestures.h"
#include "display/ChartReadout.h"
#include "display/ChartTickers.h"
#include "settings/ChartSettings.h"
#include "shell/AppModule.h"
#include "tests/shell/MainFixture.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/SaveDialogDriver.h"
#include "tests/support/TempConfig.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

struct TShownChart : TMainFixture {
    // A shown window with Steps steps of four charging channels: channel c at step s reads
    // 1200 + s + 100 c mV, 300 + 10 c mA, s / 15 minutes and s + c mAh.
    explicit TShownChart(int Steps)
    {
        Form->resize(1280, 800);
        ShowActive(*Form);
        OpenIn(fmSingle);
        for (int s = 1; s <= Steps; ++s)
            for (int c = 0; c < ChannelCount; ++c)
                Feed(MakeFrame(c, std::uint16_t(1200 + s + 100 * c), std::uint16_t(300 + 10 * c), std::uint16_t(s / 15),
                               std::uint16_t(s + c)));
        Chart().replot();
    }
    TKRVChart &Chart() { return *Form->Chart; }
    TChartPages &Pages() { return *Form->Pages; }
    QCPRange View() { return Chart().TimeAxis()->range(); }
    QPoint At(double Step)
    {
        return QPoint(int(std::lround(Chart().TimeAxis()->coordToPixel(Step))), Chart().PlotRect().center().y());
    }
    void Wheel(QPoint At, int Notches, Qt::KeyboardModifiers Modifiers = {})
    {
        QWheelEvent event(At, Chart().mapToGlobal(At), {}, QPoint(0, 120 * Notches), Qt::NoButton, Modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Chart(), &event);
    }
    // The scroll bar shows the view: its thumb starts at the view and is as wide as it.
    void VerifyBarShowsView()
    {
        const QScrollBar *bar = Form->scrlbrChart;
        QCOMPARE(double(Pages().Scroll().Position()), std::max(1.0, View().lower));
        QCOMPARE(double(bar->pageStep()), View().size());
        QCOMPARE(double(bar->value()), View().lower);
    }
    QImage Grab() { return Chart().grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Pixels that differ, whatever the images' formats and pixel ratios.
int Differing(const QImage &A, const QImage &B)
{
    const QImage a = A.convertToFormat(QImage::Format_RGB32), b = B.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

} // namespace

class TestChartReading : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void WheelZoomsAroundTheCursor_data()
    {
        QTest::addColumn<int>("notches");
        QTest::addColumn<double>("width");
        // 600 steps recorded, a page of 150 (10 minutes).
        QTest::newRow("one notch in") << 1 << 120.0;
        QTest::newRow("one notch out") << -1 << 188.0;
        QTest::newRow("in to one minute and no further") << 20 << 15.0;
        QTest::newRow("out to the whole recording and no further") << -20 << 600.0;
    }
    void WheelZoomsAroundTheCursor()
    {
        QFETCH(int, notches);
        QFETCH(double, width);
        TShownChart f(600);
        QCOMPARE(f.View(), QCPRange(450, 600));
        // The pointer over step 480, a fifth into the view.
        const QPoint at = f.At(480);
        const double under = f.Chart().TimeAxis()->pixelToCoord(at.x());
        for (int i = 0; i < std::abs(notches); ++i)
            f.Wheel(at, notches > 0 ? 1 : -1);
        QCOMPARE(f.View().size(), width);
        if (notches < 0 && width < 600) {
            // Out from the last page: the view still ends at the newest step.
            QCOMPARE(f.View().upper, 600.0);
            f.VerifyBarShowsView();
        } else if (width < 600) {
            // The step under the pointer stays under it, to a step.
            QVERIFY2(std::abs(f.Chart().TimeAxis()->pixelToCoord(at.x()) - under) <= 1.0,
                     qPrintable(QString::number(f.Chart().TimeAxis()->pixelToCoord(at.x()))));
            f.VerifyBarShowsView();
        } else {
            // Everything fits: the bar is off and held at its minimum, as with a long page.
            QCOMPARE(f.View().lower, 1.0);
            QVERIFY(!f.Form->scrlbrChart->isEnabled());
        }
        // The page width setting is not the zoom's.
        QCOMPARE(f.Pages().PageSamples, 150u);
        QCOMPARE(ReadPageSamples(), 150u);
        QVERIFY(f.Form->actAutoScroll->isChecked());
        // Zoomed in, the view still follows new steps at its own width.
        if (width < 600) {
            const QCPRange before = f.View();
            f.FeedStep(1300, 300, 40, 10);
            QCOMPARE(f.View(), QCPRange(before.lower + 1, before.upper + 1));
            f.VerifyBarShowsView();
        }
    }

    void CtrlWheelZoomsTheValueAxisAndBackToLiveUndoesEverything()
    {
        TShownChart f(600);
        QCPAxis *volts = f.Form->Chart->CustomAxes[0].Axis;
        const QCPRange values = volts->range();
        const QPoint at = f.At(500);
        f.Wheel(at, 2, Qt::ControlModifier);
        QCOMPARE(f.View(), QCPRange(450, 600));
        QVERIFY(volts->range().size() < values.size() * 0.7);
        QVERIFY(values.contains(volts->range().lower) && values.contains(volts->range().upper));
        f.Wheel(at, 3);

        // Dragging right by a quarter of the plot shows earlier steps and ends automatic scrolling.
        const QCPRange zoomed = f.View();
        const int quarter = f.Chart().PlotRect().width() / 4;
        QTest::mousePress(&f.Chart(), Qt::LeftButton, {}, at);
        QTest::mouseMove(&f.Chart(), at + QPoint(quarter / 2, 0));
        QTest::mouseMove(&f.Chart(), at + QPoint(quarter, 0));
        QTest::mouseRelease(&f.Chart(), Qt::LeftButton, {}, at + QPoint(quarter, 0));
        QVERIFY(!f.Form->actAutoScroll->isChecked());
        QVERIFY(std::abs(f.View().lower - (zoomed.lower - zoomed.size() / 4)) <= 1);
        QCOMPARE(f.View().size(), zoomed.size());
        f.VerifyBarShowsView();
        // New steps leave a panned view where it is.
        const QCPRange panned = f.View();
        f.FeedStep(1300, 300, 40, 10);
        QCOMPARE(f.View(), panned);

        // Each way back gives the stored page at the newest step, automatic scrolling and the
        // value range as they were.
        const auto live = [&f, &values, volts](const char *How) {
            QVERIFY2(f.Form->actAutoScroll->isChecked(), How);
            QCOMPARE(f.View(), QCPRange(f.Form->Charger->SampleCount() - 150.0, f.Form->Charger->SampleCount()));
            QCOMPARE(volts->range(), values);
            f.VerifyBarShowsView();
        };
        QTest::mouseDClick(&f.Chart(), Qt::LeftButton, {}, at);
        live("double-click");

        f.Wheel(at, 2);
        f.Wheel(at, 1, Qt::ControlModifier);
        f.Chart().setFocus();
        QTest::keyClick(&f.Chart(), Qt::Key_Home);
        live("Home");

        f.Wheel(at, -1);
        QTest::mousePress(&f.Chart(), Qt::LeftButton, {}, at);
        QTest::mouseMove(&f.Chart(), at + QPoint(quarter, 0));
        QTest::mouseRelease(&f.Chart(), Qt::LeftButton, {}, at + QPoint(quarter, 0));
        QVERIFY(!f.Form->actAutoScroll->isChecked());
        f.Form->actAutoScroll->trigger();
        live("automatic scrolling");
    }

    void HoverReadsTheStepsValuesAndTheArrowsMoveByAStep()
    {
        TShownChart f(300);
        // Channel 2 unchecked: its series are not read out.
        f.Form->FRows[2].Checked = false;
        f.Pages().vstChannelInfoChecked(2);
        const qint64 fed = QDateTime::currentSecsSinceEpoch();
        const QImage before = f.Grab();
        QTest::mouseMove(&f.Chart(), f.At(200));
        QCOMPARE(f.Pages().View().Cursor, std::optional<std::int64_t>(200));
        const auto check = [&f, fed](std::int64_t Step) {
            const TReadout readout = ReadoutAt(f.Chart(), f.Form->FRows, Step);
            QCOMPARE(readout.WorkingTime, WorkingTimeLabel(std::uint32_t(Step / 15)));
            const QDateTime began = QDateTime::fromString(readout.WallClock, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            QVERIFY2(std::abs(began.toSecsSinceEpoch() - fed) <= 120, qPrintable(readout.WallClock));
            QCOMPARE(readout.Lines.size(), std::size_t(3));
            for (std::size_t i = 0; i < readout.Lines.size(); ++i) {
                const int c = i < 2 ? int(i) : 3;
                const TReadout::TLine &line = readout.Lines[i];
                QCOMPARE(line.Label, QStringLiteral("通道 %1").arg(c + 1));
                const QStringList texts = {line.Values[0].Text, line.Values[1].Text, line.Values[2].Text};
                QCOMPARE(texts,
                         QStringList({QLocale().toString((1200 + Step + 100 * c) / 1000.0, 'f', 3) + " V",
                                      QString::number(300 + 10 * c) + " mA", QString::number(Step + c) + " mAh"}));
                QCOMPARE(line.Values[1].Color, f.Series(1, c).Color());
            }
        };
        check(200);
        // The box is painted on screen.
        QVERIFY(Differing(f.Grab(), before) > 100);

        f.Chart().setFocus();
        QTest::keyClick(&f.Chart(), Qt::Key_Right);
        QTest::keyClick(&f.Chart(), Qt::Key_Right);
        QTest::keyClick(&f.Chart(), Qt::Key_Left);
        QCOMPARE(f.Pages().View().Cursor, std::optional<std::int64_t>(201));
        check(201);
        // The cursor keeps to the view and to the recording.
        for (int i = 0; i < 200; ++i)
            QTest::keyClick(&f.Chart(), Qt::Key_Right);
        QCOMPARE(f.Pages().View().Cursor, std::optional<std::int64_t>(300));

        // Leaving the chart hides the cursor; the screen is then the picture again.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&f.Chart(), &leave);
        QVERIFY(!f.Pages().View().Cursor);
        QTRY_COMPARE(Differing(f.Grab(), before), 0);
    }

    void SavedPictureHasNoCursor()
    {
        QTemporaryDir dir;
        TShownChart f(200);
        const QImage clean = f.Chart().toPixmap().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage screen = f.Grab();
        QTest::mouseMove(&f.Chart(), f.At(150));
        QVERIFY(f.Pages().View().Cursor);
        const QImage hovered = f.Grab();
        QVERIFY(hovered != screen);
        TBoxAnswerer boxes(QMessageBox::Ok);
        TDialogDriver dialog(dir.filePath("chart.png"), 3);
        f.Form->actFileSaveAs->trigger();
        QCOMPARE(dialog.Count, 1);
        QImage saved(dir.filePath("chart.png"));
        QCOMPARE(saved.size(), clean.size());
        QCOMPARE(Differing(saved, clean), 0);
    }

    void RepaintsWaitForAShownWindowAndTheScreenRefresh()
    {
        TMainFixture f;
        f.Form->resize(1280, 800);
        // The chart's own first repaint, queued when it was made.
        QCoreApplication::sendPostedEvents();
        QSignalSpy replots(f.Form->Chart, &QCustomPlot::afterReplot);
        f.OpenIn(fmSingle);
        for (int s = 0; s < 50; ++s)
            f.FeedStep(1300, 300, 1, 10);
        // Hidden, nothing is painted; shown, it paints once with everything.
        QCOMPARE(replots.count(), 0);
        QVERIFY(f.Form->Chart->RepaintDue());
        ShowActive(*f.Form);
        QTRY_VERIFY(!f.Form->Chart->RepaintDue());
        QCOMPARE(f.Form->Chart->TimeAxis()->range(), QCPRange(1, 150));
        // At line rate, at most one repaint per screen refresh.
        replots.clear();
        QElapsedTimer clock;
        clock.start();
        for (int s = 0; s < 200; ++s) {
            f.FeedStep(1300, 300, 1, 10);
            QCoreApplication::processEvents();
        }
        // New data repaint at most ten times a second, and never more than the screen refreshes.
        const double frames = double(clock.elapsed()) *
                              std::min<double>(f.Form->screen()->refreshRate(), TKRVChart::DataRepaintsPerSecond) /
                              1000.0;
        QVERIFY2(replots.count() <= frames + 2,
                 qPrintable(QStringLiteral("%1 in %2").arg(replots.count()).arg(frames)));
        QVERIFY(replots.count() >= 1);
        QTRY_VERIFY(!f.Form->Chart->RepaintDue());
        // Minimised, nothing is painted either.
        f.Form->showMinimized();
        QTRY_VERIFY(f.Form->isMinimized());
        replots.clear();
        for (int s = 0; s < 20; ++s)
            f.FeedStep(1300, 300, 1, 10);
        QTest::qWait(50);
        QCOMPARE(replots.count(), 0);
        f.Form->showNormal();
        QTRY_VERIFY(!f.Form->Chart->RepaintDue());
    }
};

QTEST_MAIN(TestChartReading)
#include "tst_chart_reading.moc"
