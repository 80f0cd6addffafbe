// The chart as a user sees it, rendered offscreen: the header band with logo, text and legend,
// the value axes painted where the chart hides them, and the lines that frame each page.
#include "charger/KRVCharger.h"
#include "charger/MemoryComPort.h"
#include "display/AxisPainter.h"
#include "display/ChartBuilder.h"
#include "display/ChartDecorations.h"
#include "display/ChartPages.h"
#include "display/ChartTickers.h"
#include "display/KRVChart.h"
#include "settings/Constant.h"
#include "tests/support/TempConfig.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

namespace {

constexpr int ChartWidth = 1000;
constexpr int ChartHeight = 700;
constexpr int Channels = 4;
const QColor Black(Qt::black);
const QColor White(Qt::white);

// Pixels in Area that are dark (text, axis lines), or of Color within a tolerance that takes in
// the smoothed edges of lines.
int Count(const QImage &Image, const QRect &Area, std::optional<QColor> Color = std::nullopt, int Tolerance = 0)
{
    int count = 0;
    const QRect area = Area.intersected(Image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = Image.pixelColor(x, y);
            if (!Color) {
                count += qGray(pixel.rgb()) < 128 ? 1 : 0;
                continue;
            }
            const int distance = std::abs(pixel.red() - Color->red()) + std::abs(pixel.green() - Color->green()) +
                                 std::abs(pixel.blue() - Color->blue());
            count += distance <= Tolerance ? 1 : 0;
        }
    return count;
}

// Top-left corner of the first solid 10 x 10 block of Color inside Area: a legend swatch.
std::optional<QPoint> FindSwatch(const QImage &Image, const QRect &Area, QColor Color)
{
    const QRect area = Area.intersected(Image.rect());
    for (int y = area.top(); y + 9 <= area.bottom(); ++y)
        for (int x = area.left(); x + 9 <= area.right(); ++x)
            if (Image.pixelColor(x, y) == Color && Count(Image, QRect(x, y, 10, 10), Color) == 100)
                return QPoint(x, y);
    return std::nullopt;
}

// The lines of text in Area, as bands of rows with dark pixels.
QList<QPair<int, int>> TextLines(const QImage &Image, const QRect &Area)
{
    QList<QPair<int, int>> bands;
    for (int y = Area.top(); y <= Area.bottom(); ++y) {
        if (Count(Image, QRect(Area.left(), y, Area.width(), 1)) == 0)
            continue;
        if (!bands.isEmpty() && bands.last().second == y - 1)
            bands.last().second = y;
        else
            bands.append({y, y});
    }
    return bands;
}

// A chart of four channels with its pages and decorations, built as the main window builds it.
struct TPaintedChart {
    explicit TPaintedChart(bool WithLogo = true)
    {
        QFont font(QStringLiteral("WenQuanYi Micro Hei"));
        font.setPixelSize(12);
        Owner.setFont(font);
        Chart = new TKRVChart(&Owner);
        Chart->setGeometry(0, 0, ChartWidth, ChartHeight);
        Tabs = new QTabBar(&Owner);
        const auto action = [this] {
            auto *created = new QAction(&Owner);
            created->setCheckable(true);
            created->setChecked(true);
            Owner.addAction(created);
            return created;
        };
        QAction *actShowAllLine = action();
        actShowAllLine->setProperty("category", QStringLiteral("Chart"));
        actShowAllLine->setData(0);
        (new QActionGroup(&Owner))->addAction(actShowAllLine);
        actShowLegend = action();

        Pages = new TChartPages(*Chart, Charger, Rows, AxisValueTokens, Tabs, new QScrollBar(&Owner), &Owner);
        Pages->actShowAllLine = actShowAllLine;
        Pages->actShowLegend = actShowLegend;
        Pages->actAllowScrollChart = action();
        Pages->actAutoScroll = action();
        Pages->BuildPageCommands(nullptr, nullptr);
        BuildAxes(*Chart, AxisValueTokens);
        Pages->SetCurrentAxis(0);
        Pages->tsTabPageChange(0);
        BuildSeries(*Chart, AxisValueTokens, Channels, 0, &Owner);
        BuildChannelRows(Rows, Channels);
        Pages->UpdateChartScroll(0);

        if (WithLogo)
            Logo = LoadResourceGif(0);
        Decorations = std::make_unique<TChartDecorations>(*Chart, Rows, *Pages, actShowLegend, Logo.get());
        Owner.resize(ChartWidth, ChartHeight);
        Owner.show();
    }

    void ShowPage(int Page) { Tabs->setCurrentIndex(Page); }
    QImage Render() { return Chart->toPixmap().toImage().convertToFormat(QImage::Format_RGB32); }
    TChartSeries &Series(int AxisIndex, int Channel) const
    {
        return *Chart->SeriesGroups[static_cast<std::size_t>(AxisIndex)][static_cast<std::size_t>(Channel)];
    }

    TKRVCharger Charger{nullptr, std::make_unique<TMemoryComPort>()};
    TChannelRows Rows;
    std::unique_ptr<QImage> Logo;
    QWidget Owner;
    TKRVChart *Chart = nullptr;
    QTabBar *Tabs = nullptr;
    TChartPages *Pages = nullptr;
    QAction *actShowLegend = nullptr;
    std::unique_ptr<TChartDecorations> Decorations;
};

} // namespace

Q_DECLARE_METATYPE(QList<double>)

class TestChartPainting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void legendBoxStandsInTheHeaderBand();
    void legendFollowsPageRowsAndCommand();
    void headerShowsLogoAndThreeLinesOfText();
    void frameAndAxesFollowThePage_data();
    void frameAndAxesFollowThePage();
    void axisPainterPutsLabelsAndTicksOnTheAskedSide();
    void screenAndPicturesShowTheSamePages();
    void timeTicksStandOnWholeMinutes_data();
    void timeTicksStandOnWholeMinutes();
    void textOnTheChartStaysDarkOnADarkDesktop();
    void linesCrossInFrontOfTheBars();
};

void TestChartPainting::initTestCase()
{
    UseTemporaryConfig();
    LoadConstantTables();
    AxisValueTokens = {vtUnLoadVoltage, vtCurrent, vtCapacity};
    QVERIFY2(QFontDatabase::hasFamily(QStringLiteral("WenQuanYi Micro Hei")), "the CJK font of the tests");
}

void TestChartPainting::legendBoxStandsInTheHeaderBand()
{
    TPaintedChart chart;
    // Gray, a stored line colour, would merge with the swatch frame.
    chart.Series(1, 2).SetColor(QColor(250, 160, 20));
    QCOMPARE(chart.Decorations->MeasureLegend().height(), 80);
    const QRect box = chart.Decorations->LegendBox();
    QCOMPARE(box.top(), 20);
    QCOMPARE(box.left() + box.width(), ChartWidth - 20);

    const QImage image = chart.Render();
    // A one-pixel frame on the box's outer pixels, white inside, nothing around it.
    QCOMPARE(Count(image, box, Black) - Count(image, box.adjusted(1, 1, -1, -1), Black), 2 * (box.width() + 80) - 4);
    QCOMPARE(Count(image, box.adjusted(-1, -1, 1, 1)) - Count(image, box), 0);
    QCOMPARE(image.pixelColor(box.left() + 1, box.top() + 1), White);

    // Row by row: the label, then the voltage, current and capacity swatches, each framed in gray.
    for (int channel = 0; channel < Channels; ++channel) {
        const QRect row(box.left() + 1, box.top() + 20 * channel + 1, box.width() - 2, 19);
        QVERIFY(Count(image, QRect(row.left() + 3, row.top(), 30, row.height())) > 0);
        int previousX = box.left();
        for (int axis = 0; axis < 3; ++axis) {
            const std::optional<QPoint> swatch = FindSwatch(image, row, chart.Series(axis, channel).Color());
            QVERIFY2(swatch, qPrintable(QStringLiteral("row %1 axis %2").arg(channel).arg(axis)));
            QCOMPARE(swatch->y(), box.top() + 20 * channel + 5);
            QVERIFY(swatch->x() > previousX);
            previousX = swatch->x();
            QCOMPARE(image.pixelColor(*swatch - QPoint(1, 1)), QColor(128, 128, 128));
        }
    }
}

void TestChartPainting::legendFollowsPageRowsAndCommand()
{
    TPaintedChart chart;
    const int allLinesWidth = chart.Decorations->MeasureLegend().width();

    // On the current page each row has the current swatch alone.
    chart.ShowPage(2);
    QRect box = chart.Decorations->LegendBox();
    QVERIFY(box.width() < allLinesWidth);
    const QImage current = chart.Render();
    for (int channel = 0; channel < Channels; ++channel) {
        QVERIFY(FindSwatch(current, QRect(box.left(), box.top() + 20 * channel, box.width(), 20),
                           chart.Series(1, channel).Color()));
        QVERIFY(!FindSwatch(current, box, chart.Series(0, channel).Color()));
        QVERIFY(!FindSwatch(current, box, chart.Series(2, channel).Color()));
    }

    // With the legend off, the box goes and nothing else changes; so without checked rows.
    chart.actShowLegend->setChecked(false);
    const QImage withoutLegend = chart.Render();
    QImage expected = current;
    QPainter(&expected).fillRect(box, White);
    QCOMPARE(withoutLegend, expected);
    chart.actShowLegend->setChecked(true);
    for (TChannelRow &row : chart.Rows)
        row.Checked = false;
    QCOMPARE(chart.Decorations->MeasureLegend().height(), 0);
    QCOMPARE(chart.Render(), withoutLegend);

    // The label names the row's channel, not its place among the checked rows.
    chart.Rows[2].Checked = chart.Rows[3].Checked = true;
    chart.Rows[2].Description = QStringLiteral("A1");
    box = chart.Decorations->LegendBox();
    QCOMPARE(box.top(), 120 - 20 - 40);
    const QImage image = chart.Render();
    const QFontMetrics metrics(chart.Chart->font());
    const QRect label(box.left() + 4, box.top() + 4, metrics.horizontalAdvance(QStringLiteral("通道 3 - A1")),
                      metrics.height());
    const auto written = [&](const QString &Text) {
        QImage drawn(image.size(), QImage::Format_RGB32);
        drawn.fill(White);
        QPainter painter(&drawn);
        painter.setFont(chart.Chart->font());
        painter.drawText(QPointF(label.left(), label.top() + metrics.ascent()), Text);
        return drawn.copy(label);
    };
    QCOMPARE(image.copy(label), written(QStringLiteral("通道 3 - A1")));
    QVERIFY(image.copy(label) != written(QStringLiteral("通道 1 - A1")));
    QCOMPARE(TChartDecorations::LegendLabel(chart.Rows[3]), QStringLiteral("通道 4"));
}

void TestChartPainting::headerShowsLogoAndThreeLinesOfText()
{
    for (const bool withLogo : {true, false}) {
        TPaintedChart chart(withLogo);
        const QImage image = chart.Render();
        // Without a logo the text starts at (20, 0).
        const QRect logo = withLogo ? QRect(QPoint(20, 20), chart.Logo->size()) : QRect();
        QCOMPARE(chart.Decorations->LogoRect(), logo);
        if (withLogo)
            QCOMPARE(image.copy(logo), chart.Logo->convertToFormat(QImage::Format_RGB32));
        const int textLeft = logo.x() + logo.width() + 20;
        QCOMPARE(Count(image, QRect(logo.x() + logo.width(), 0, 20, 100)), 0);
        const QRect text(textLeft, 0, chart.Decorations->LegendBox().left() - textLeft, 100);
        const QList<QPair<int, int>> lines = TextLines(image, text);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].first >= logo.y() && lines[0].first <= logo.y() + 4);
        QVERIFY(Count(image, QRect(textLeft, logo.y(), 4, 20)) > 0);
    }
}

void TestChartPainting::frameAndAxesFollowThePage_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("all lines") << 0;
    QTest::newRow("voltage") << 1;
    QTest::newRow("current") << 2;
    QTest::newRow("capacity") << 3;
}

void TestChartPainting::frameAndAxesFollowThePage()
{
    QFETCH(int, page);
    TPaintedChart chart;
    for (int channel = 0; channel < Channels; ++channel)
        chart.Series(2, channel).SetBarValue(700.0 * (channel + 1));
    chart.ShowPage(page);
    const QImage image = chart.Render();
    const QRect plot = chart.Chart->PlotRect();
    const int left = plot.left();
    const int right = left + plot.width();
    QCOMPARE(right, ChartWidth - (page == 0 ? 60 : 16));
    // The value axes rise from the time axis line by the plot's height.
    const int top = plot.bottom() - plot.height();

    // The left edge line on every page, the right one only with all lines (above the time
    // axis's own ticks at its foot).
    const QRect leftEdge(left, top + 1, 1, plot.height() - 9);
    const QRect rightEdge(right, top + 1, 1, plot.height() - 9);
    QCOMPARE(Count(image, leftEdge, Black), leftEdge.height());
    QCOMPARE(Count(image, rightEdge, Black), page == 0 ? rightEdge.height() : 0);
    // The page's value range framed at its top (the chart's top tick reaches a few pixels in).
    const QColor grid = chart.Chart->TimeAxis()->grid()->pen().color();
    QCOMPARE(Count(image, QRect(left + 4, top, right - left - 4, 1), grid), right - left - 4);

    // Value labels: the page's own axis left of the plot; with all lines also the current axis
    // right of the plot and the capacity axis inside it, without its end labels.
    const QRect inside(left + 10, top + 9, 60, plot.height() - 18);
    QVERIFY(Count(image, QRect(0, top + 8, left - 10, plot.height() - 16)) > 0);
    QCOMPARE(Count(image, QRect(right + AxisTickLength + 1, top, 5, plot.height())), 0);
    QCOMPARE(Count(image, QRect(right + 10, top + 8, ChartWidth, plot.height() - 16)) > 0, page == 0);
    QCOMPARE(Count(image, inside) > 0, page == 0);
    QCOMPARE(Count(image, QRect(left + 10, top + 1, 60, 8)), 0);
    QCOMPARE(Count(image, QRect(left + 10, plot.bottom() - 8, 60, 8)), 0);

    if (page != 3)
        return;
    // The capacity page: grid lines at every tick across the plot, the bars in front of them,
    // and the bars' base line along the whole time axis.
    QCPAxis *capacity = chart.Chart->CustomAxes[2].Axis;
    for (double tick : capacity->tickVector()) {
        const int y = qRound(capacity->coordToPixel(tick));
        if (y < plot.bottom())
            QVERIFY(Count(image, QRect(left + 1, y, plot.width() / 4, 1), grid) > plot.width() / 5);
    }
    QCOMPARE(Count(image, QRect(left, plot.bottom(), right - left + 1, 1), Black), right - left + 1);
    for (int channel = 0; channel < Channels; ++channel)
        QVERIFY(Count(image, plot, chart.Series(2, channel).Color()) > 100);
}

void TestChartPainting::axisPainterPutsLabelsAndTicksOnTheAskedSide()
{
    TPaintedChart chart;
    chart.Render(); // lays the chart out
    QCPAxis *current = chart.Chart->CustomAxes[1].Axis;
    const QRect plot = chart.Chart->PlotRect();
    const QVector<double> ticks = current->tickVector();
    QVERIFY(ticks.size() >= 3);
    QCOMPARE(ticks.first(), current->range().lower);
    const int endY = qRound(current->coordToPixel(ticks.first()));
    const int middleY = qRound(current->coordToPixel(ticks[ticks.size() / 2]));
    const int lineX = 500;
    const auto paint = [&](bool LabelsRight, bool LabelsOnAxis, bool Grid) {
        QImage image(ChartWidth, ChartHeight, QImage::Format_RGB32);
        image.fill(White);
        QPainter painter(&image);
        TAxisPlacement at;
        at.LineX = lineX;
        at.Top = plot.top();
        at.Bottom = plot.bottom();
        at.LabelsRight = LabelsRight;
        at.LabelsOnAxis = LabelsOnAxis;
        at.Grid = Grid;
        at.GridLeft = plot.left();
        at.GridRight = plot.right();
        PaintValueAxis(&painter, current, at);
        return image;
    };

    const QImage right = paint(true, true, false);
    QCOMPARE(Count(right, QRect(lineX, plot.top(), 1, plot.height()), Black), plot.height());
    QCOMPARE(Count(right, QRect(lineX + 1, middleY, 4, 1), Black), 4);
    QVERIFY(Count(right, QRect(lineX + 10, middleY - 6, 60, 12)) > 0);
    QVERIFY(Count(right, QRect(lineX + 10, endY - 6, 60, 12)) > 0);
    QCOMPARE(Count(right, QRect(lineX + 5, 0, 5, ChartHeight)), 0);
    QCOMPARE(Count(right, QRect(0, 0, lineX, ChartHeight)), 0);

    const QImage left = paint(false, true, false);
    QCOMPARE(Count(left, QRect(lineX - 4, middleY, 4, 1), Black), 4);
    QVERIFY(Count(left, QRect(lineX - 70, middleY - 6, 60, 12)) > 0);
    QCOMPARE(Count(left, QRect(lineX + 1, 0, ChartWidth, ChartHeight)), 0);

    // Without labels on the axis the end tick keeps its tick but not its label.
    const QImage inner = paint(true, false, false);
    QCOMPARE(Count(inner, QRect(lineX + 10, endY - 8, 60, 16)), 0);
    QCOMPARE(Count(inner, QRect(lineX + 1, endY, 4, 1), Black), 4);
    QVERIFY(Count(inner, QRect(lineX + 10, middleY - 6, 60, 12)) > 0);

    const QColor grid = current->grid()->pen().color();
    const QRect gridRow(plot.left(), middleY, lineX - plot.left(), 1);
    QCOMPARE(Count(paint(true, true, true), gridRow, grid), gridRow.width());
    QCOMPARE(Count(right, gridRow, grid), 0);
}

void TestChartPainting::screenAndPicturesShowTheSamePages()
{
    // The version text the program reads from its own file at start-up.
    AppVersionText = QStringLiteral("2.0.0 (Build 1)");
    TPaintedChart chart;
    chart.Rows[2].Description = QStringLiteral("A1");
    // Four cells charging at different currents for one page of steps.
    for (int step = 1; step <= 150; ++step)
        for (int channel = 0; channel < Channels; ++channel) {
            const double progress = step / 150.0;
            const double volts = 1.25 + (0.3 + 0.05 * channel) * progress + 0.02 * std::sin(step / 9.0);
            const auto minutes = static_cast<std::uint16_t>(step * 4 / 60);
            chart.Series(0, channel).AddPoint(step, volts, minutes);
            chart.Series(1, channel).AddPoint(step, 400.0 + 300.0 * channel, minutes);
        }
    for (int channel = 0; channel < Channels; ++channel) {
        chart.Series(2, channel).SetBarValue(500.0 + 600.0 * channel);
        chart.Series(2, channel).SetMarksVisible(true);
    }

    const QByteArray folder = qgetenv("KORVANE_CHART_PICTURES");
    const QRect plot = chart.Chart->PlotRect();
    for (int page = 0; page <= 3; ++page) {
        chart.ShowPage(page);
        const QImage picture = chart.Render();
        if (!folder.isEmpty())
            QVERIFY(picture.save(QStringLiteral("%1/chart-page-%2.png").arg(QString::fromLocal8Bit(folder)).arg(page)));
        chart.Chart->replot(QCustomPlot::rpImmediateRefresh);
        QCOMPARE(chart.Chart->grab().toImage().convertToFormat(QImage::Format_RGB32), picture);
        // The page's own lines are drawn in front of the painted frame.
        for (int axis = 0; axis < 3; ++axis) {
            const int pixels = Count(picture, plot, chart.Series(axis, 3).Color(), 40);
            QCOMPARE(pixels > 20, page == 0 || page == axis + 1);
        }
    }

    // Without decorations the hooks are unbound and the header band stays empty.
    chart.Decorations.reset();
    QVERIFY(!chart.Chart->OnBeforeDrawAxes && !chart.Chart->OnAfterDraw);
    QCOMPARE(Count(chart.Render(), QRect(0, 0, ChartWidth, 100)), 0);
    AppVersionText.clear();
}

using TMinutePoints = QList<QPair<double, int>>;

// Points of one step each from First to Last, the working time turning a minute every 15 steps
// after an offset of Phase steps.
TMinutePoints Recording(int First, int Last, int StartMinutes, int Phase)
{
    TMinutePoints points;
    for (int step = First; step <= Last; ++step)
        points.append({double(step), StartMinutes + (step - First + Phase) / 15});
    return points;
}

void TestChartPainting::timeTicksStandOnWholeMinutes_data()
{
    QTest::addColumn<TMinutePoints>("points");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<double>>("keys");
    QTest::addColumn<QStringList>("labels");

    // A one-minute page: the minute that turns inside the page, once.
    QTest::newRow("one-minute page") << Recording(1, 120, 2, 7) << 100.0 << 115.0 << 10 << 1 << QList<double>{114}
                                     << QStringList{"00:10"};
    // Working time and steps out of phase: ticks where the label's minute begins, the start
    // of the recording labelled too.
    QTest::newRow("ten-minute page, every minute") << Recording(1, 150, 17, 4) << 1.0 << 150.0 << 10 << 1
                                                   << QList<double>{1, 12, 27, 42, 57, 72, 87, 102, 117, 132, 147}
                                                   << QStringList{"00:17", "00:18", "00:19", "00:20", "00:21", "00:22",
                                                                  "00:23", "00:24", "00:25", "00:26", "00:27"};
    // Less room: even minutes; the start yields to the whole minute eleven steps after it.
    QTest::newRow("ten-minute page, every other minute")
        << Recording(1, 150, 17, 4) << 1.0 << 150.0 << 5 << 2 << QList<double>{12, 42, 72, 102, 132}
        << QStringList{"00:18", "00:20", "00:22", "00:24", "00:26"};
    QTest::newRow("first point alone") << TMinutePoints{{1, 37}} << 1.0 << 150.0 << 10 << 1 << QList<double>{1}
                                       << QStringList{"00:37"};
    QTest::newRow("no point") << TMinutePoints{} << 1.0 << 150.0 << 10 << 1 << QList<double>{} << QStringList{};
    // A minute that began before the window is not one of its ticks; with none left the
    // window's first point is labelled.
    QTest::newRow("minute began before the window") << TMinutePoints{{29, 6}, {30, 6}, {31, 6}, {60, 6}} << 30.0 << 45.0
                                                    << 10 << 1 << QList<double>{30} << QStringList{"00:06"};
    QTest::newRow("minute begins at the window's edge")
        << TMinutePoints{{29, 5}, {30, 6}, {44, 6}, {45, 7}} << 30.0 << 45.0 << 10 << 1 << QList<double>{30, 45}
        << QStringList{"00:06", "00:07"};
    // A lost minute leaves a gap rather than an odd label.
    QTest::newRow("skipped minute") << TMinutePoints{{1, 0}, {31, 2}, {46, 3}, {61, 4}} << 1.0 << 61.0 << 2 << 2
                                    << QList<double>{1, 31, 61} << QStringList{"00:00", "00:02", "00:04"};
    QTest::newRow("a day's page, two-hour step")
        << TMinutePoints{{1, 0}, {1800, 120}, {3600, 240}} << 1.0 << 21600.0 << 12 << 120
        << QList<double>{1, 1800, 3600} << QStringList{"00:00", "02:00", "04:00"};
}

void TestChartPainting::timeTicksStandOnWholeMinutes()
{
    QFETCH(TMinutePoints, points);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, room);
    QFETCH(int, step);
    QFETCH(QList<double>, keys);
    QFETCH(QStringList, labels);

    QCOMPARE(TimeTickStep((upper - lower) / 15, room), step);
    TWorkingTimeTicks ticks(QCPRange(lower, upper), step);
    for (const QPair<double, int> &point : points)
        ticks.Add(point.first, static_cast<std::uint32_t>(point.second));
    ticks.Finish();
    QCOMPARE(QList<double>(ticks.Ticks.begin(), ticks.Ticks.end()), keys);
    QCOMPARE(QStringList(ticks.Labels.begin(), ticks.Labels.end()), labels);
    QCOMPARE(TimeTickStep(60, 10), 10);
    QCOMPARE(TimeTickStep(100000, 10), 10080);
}

void TestChartPainting::textOnTheChartStaysDarkOnADarkDesktop()
{
    // A light text colour unlike any colour of the chart.
    const QColor Light(230, 230, 140);
    const QPalette kept = QApplication::palette();
    QPalette dark = kept;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        dark.setColor(group, QPalette::Window, QColor(40, 40, 40));
        dark.setColor(group, QPalette::WindowText, Light);
        dark.setColor(group, QPalette::Text, Light);
        dark.setColor(group, QPalette::Base, QColor(30, 30, 30));
    }
    QApplication::setPalette(dark);
    {
        TPaintedChart chart;
        for (int channel = 0; channel < Channels; ++channel) {
            chart.Series(2, channel).SetBarValue(600.0 * (channel + 1));
            chart.Series(2, channel).SetMarksVisible(true);
        }
        chart.ShowPage(3);
        chart.Chart->replot(QCustomPlot::rpImmediateRefresh);
        const QImage image = chart.Chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect plot = chart.Chart->PlotRect();
        const QRect legend = chart.Decorations->LegendBox();
        const int textLeft = chart.Decorations->LogoRect().right() + 21;
        // Header, legend labels, value labels, bar marks: dark ink, none of the palette's grey.
        const QList<QRect> texts{QRect(textLeft, 20, legend.left() - textLeft, 80),
                                 QRect(legend.left() + 2, legend.top() + 2, 40, legend.height() - 4),
                                 QRect(0, plot.top(), plot.left() - 10, plot.height()),
                                 QRect(plot.left() + 1, plot.top() + 1, plot.width() - 2, plot.height() / 3)};
        for (const QRect &text : texts) {
            QVERIFY(Count(image, text) > 30);
            QCOMPARE(Count(image, text, Light, 40), 0);
        }
    }
    QApplication::setPalette(kept);
}

void TestChartPainting::linesCrossInFrontOfTheBars()
{
    TPaintedChart chart;
    // Channel 1's bar up to the top; its voltage and current lines run across the plot.
    chart.Series(2, 0).SetBarValue(3200);
    chart.Series(0, 1).SetColor(QColor(250, 160, 20));
    for (int step = 1; step <= 150; ++step) {
        chart.Series(0, 1).AddPoint(step, 1.4, 0);
        chart.Series(1, 2).AddPoint(step, 400, 0);
    }
    const QImage image = chart.Render();
    QCPBars *bar = chart.Series(2, 0).Bars();
    const int x = qRound(bar->dataPixelPosition(0).x());
    const QColor barColor = chart.Series(2, 0).Color();
    QCOMPARE(image.pixelColor(x, qRound(chart.Chart->CustomAxes[0].Axis->coordToPixel(1.3))), barColor);
    const int voltageY = qRound(chart.Chart->CustomAxes[0].Axis->coordToPixel(1.4));
    const int currentY = qRound(chart.Chart->CustomAxes[1].Axis->coordToPixel(400));
    QCOMPARE(Count(image, QRect(x - 5, voltageY - 1, 10, 3), chart.Series(0, 1).Color(), 60) > 5, true);
    QCOMPARE(Count(image, QRect(x - 5, currentY - 1, 10, 3), chart.Series(1, 2).Color(), 60) > 5, true);
    // The value grid runs behind the bar, on the all-lines page and on the bars' own page.
    QCOMPARE(image.pixelColor(x, qRound(chart.Chart->CustomAxes[0].Axis->coordToPixel(1.6))), barColor);
    chart.ShowPage(3);
    const QImage bars = chart.Render();
    QCOMPARE(bars.pixelColor(qRound(bar->dataPixelPosition(0).x()),
                             qRound(chart.Chart->CustomAxes[2].Axis->coordToPixel(1000))),
             barColor);
}

QTEST_MAIN(TestChartPainting)
#include "tst_chart_painting.moc"
