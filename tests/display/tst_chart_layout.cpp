// The real window's chart and data box at the scale factor the test runs with: every label
// whole, inside the widget and on clean white, the legend framed all round, no column cut.
#include "display/AxisPainter.h"
#include "display/ChartDecorations.h"
#include "display/ChartTickers.h"
#include "shell/AppModule.h"
#include "tests/shell/MainFixture.h"
#include "tests/support/TempConfig.h"

#include <QHeaderView>
#include <QTabBar>
#include <QTest>

namespace {

// A grab of a widget with its area mapping from logical to device pixels.
struct TGrab {
    explicit TGrab(QWidget *Widget) : Image(Widget->grab().toImage().convertToFormat(QImage::Format_RGB32))
    {
        Ratio = Image.devicePixelRatio();
    }
    QRect Device(const QRect &Area) const
    {
        const QPoint topLeft(qFloor(Area.left() * Ratio), qFloor(Area.top() * Ratio));
        const QPoint bottomRight(qCeil((Area.right() + 1) * Ratio) - 1, qCeil((Area.bottom() + 1) * Ratio) - 1);
        return QRect(topLeft, bottomRight).intersected(Image.rect());
    }
    // Dark pixels (text, lines) in a logical area.
    int Dark(const QRect &Area) const
    {
        return Count(Area, [](QRgb Pixel) { return qGray(Pixel) < 128; });
    }
    int Near(const QRect &Area, QColor Color) const
    {
        return Count(Area, [Color](QRgb Pixel) {
            return std::abs(qRed(Pixel) - Color.red()) + std::abs(qGreen(Pixel) - Color.green()) +
                       std::abs(qBlue(Pixel) - Color.blue()) <=
                   12;
        });
    }
    template <typename TTest> int Count(const QRect &Area, TTest Test) const
    {
        int count = 0;
        const QRect device = Device(Area);
        for (int y = device.top(); y <= device.bottom(); ++y)
            for (int x = device.left(); x <= device.right(); ++x)
                count += Test(Image.pixel(x, y)) ? 1 : 0;
        return count;
    }
    QImage Image;
    qreal Ratio = 1;
};

} // namespace

class TestChartLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
        F = std::make_unique<TMainFixture>();
        F->OpenIn(fmSingle);
        // Ten minutes of four channels charging, their minutes turning out of step with the steps:
        // the first whole minute, four steps in, runs through the capacity labels.
        for (int step = 0; step < 150; ++step)
            for (int channel = 0; channel < 4; ++channel)
                F->Feed(MakeFrame(channel, std::uint16_t(1300 + step), std::uint16_t(300 * (channel + 1)),
                                  std::uint16_t(17 + (step + 12) / 15), std::uint16_t(700 * channel + step)));
        ShowActive(*F->Form);
    }
    void cleanupTestCase() { F.reset(); }

    void valueLabelsStayInsideTheChart_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("all lines") << 0;
        QTest::newRow("voltage") << 1;
        QTest::newRow("current") << 2;
        QTest::newRow("capacity") << 3;
    }

    void valueLabelsStayInsideTheChart()
    {
        QFETCH(int, page);
        TKRVChart *chart = ShowPage(page);
        const TGrab grab(chart);
        const QRect plot = chart->PlotRect();
        // Labels of the page's axis stand left of the plot; with all lines the current axis's
        // stand right of it. None reaches the chart's edge, all are there.
        const QRect column(0, plot.top() - 8, 2, plot.height() + 16);
        QCOMPARE(grab.Dark(column), 0);
        QCOMPARE(grab.Dark(column.translated(chart->width() - 2, 0)), 0);
        QVERIFY(grab.Dark(QRect(2, plot.top(), plot.left() - 12, plot.height())) > 100);
        if (page == 0)
            QVERIFY(grab.Dark(QRect(plot.right() + 12, plot.top(), chart->width() - plot.right() - 14, plot.height())) >
                    100);
        // The designed 60 pixels hold where the labels fit in them.
        const QMargins margins = chart->Margins();
        const TCustomAxis &own = chart->CustomAxes[std::size_t(page == 0 ? 0 : page - 1)];
        QCOMPARE(margins.left(), std::max(60, ValueLabelRoom(own.Axis)));
    }

    void capacityLabelsInsideThePlotAreNotStruckThrough()
    {
        TKRVChart *chart = ShowPage(0);
        const QRect plot = chart->PlotRect();
        QCPAxis *capacity = chart->CustomAxes[2].Axis;
        const QFontMetrics metrics(capacity->tickLabelFont());
        // Grid lines in a colour of their own, unlike the lines' smoothed edges.
        const QColor grid(255, 140, 0);
        chart->TimeAxis()->grid()->setPen(QPen(grid));
        chart->CustomAxes[0].Axis->grid()->setPen(QPen(grid));
        chart->replot(QCustomPlot::rpImmediateRefresh);
        const TGrab grab(chart);
        QVERIFY(grab.Near(plot, grid) > 100);
        const double firstTick = chart->TimeAxis()->coordToPixel(chart->TimeAxis()->tickVector().value(0));
        const int shortest = metrics.horizontalAdvance(QStringLiteral("500 mAh"));
        QVERIFY(firstTick > plot.left() + AxisLabelSeparation + 2 &&
                firstTick < plot.left() + AxisLabelSeparation + shortest - 2);
        int labels = 0;
        for (double tick : capacity->tickVector()) {
            const int y = qRound(capacity->coordToPixel(tick));
            if (y <= plot.top() + 2 || y >= plot.bottom() - 2)
                continue;
            const QString text = FormatAxisValue(chart->CustomAxes[2].LabelFormat, tick);
            const QRect label(plot.left() + AxisLabelSeparation + 1, y - metrics.ascent() / 2,
                              metrics.horizontalAdvance(text) - 2, metrics.ascent());
            QVERIFY(grab.Dark(label) > 10);
            QCOMPARE(grab.Near(label, grid), 0);
            ++labels;
        }
        QVERIFY(labels >= 4);
    }

    void legendIsFramedAllRound()
    {
        for (int page = 0; page <= 3; ++page) {
            TKRVChart *chart = ShowPage(page);
            const TGrab grab(chart);
            const QRect box = F->Form->Decorations->LegendBox();
            // Each edge is a line of frame pixels along its whole length.
            const QRect edges[] = {QRect(box.left() + 1, box.top(), box.width() - 2, 1),
                                   QRect(box.left() + 1, box.bottom(), box.width() - 2, 1),
                                   QRect(box.left(), box.top() + 1, 1, box.height() - 2),
                                   QRect(box.right(), box.top() + 1, 1, box.height() - 2)};
            for (const QRect &edge : edges) {
                const QRect device = grab.Device(edge);
                const int along = std::max(device.width(), device.height());
                QVERIFY2(grab.Dark(edge) >= along, qPrintable(QStringLiteral("page %1").arg(page)));
            }
        }
    }

    void dataBoxColumnsHoldTheirTexts()
    {
        TDataBoxView *view = F->Form->vstChannelInfo;
        QVERIFY(view->header()->length() <= view->viewport()->width());
        const QFontMetrics metrics(view->font());
        for (int c = 1; c < view->Model()->columnCount(); ++c) {
            // A colour box, the widest value, the cell's margins.
            const int needed = 14 + metrics.horizontalAdvance(QStringLiteral("65535")) + 12;
            QVERIFY2(view->columnWidth(c) >= needed, qPrintable(QString::number(c)));
            const QRect cell = view->visualRect(view->Model()->index(3, c));
            QVERIFY(cell.right() < view->viewport()->width());
        }
    }

private:
    TKRVChart *ShowPage(int Page)
    {
        F->Form->tsTabPage->setCurrentIndex(Page);
        F->Form->Chart->replot(QCustomPlot::rpImmediateRefresh);
        return F->Form->Chart;
    }

    std::unique_ptr<TMainFixture> F;
};

QTEST_MAIN(TestChartLayout)
#include "tst_chart_layout.moc"
