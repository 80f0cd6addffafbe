// The chart settings in the store: defaults on an empty store, the ends of a range read on
// their own, the page width, and the options writer with its rounding and failure rules.
#include "display/ChartBuilder.h"
#include "display/KRVChart.h"
#include "settings/ChartSettings.h"
#include "settings/Constant.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/StoredValues.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

void Store(const QString &Key, const QString &Name, qint32 Value)
{
    TRegistry registry;
    QVERIFY(registry.OpenKey(Key, true));
    QVERIFY(registry.WriteInteger(Name, Value));
    QVERIFY(registry.CloseKey());
}

TChartSettingsValues SomeValues()
{
    TChartSettingsValues values;
    values.Axes = {{vtUnLoadVoltage, {1.2345, 1.8}}, {vtCurrent, {0, 1199.99996}}, {vtCapacity, {0, 3200}}};
    for (int i = 0; i < 12; ++i)
        values.Lines.push_back({DefaultLineColors[static_cast<std::size_t>(i)], i + 1});
    values.PageWidthMinutes = 30.9;
    values.MinToTray = true;
    return values;
}

QColor Rgb(TStoredColor Color)
{
    return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

} // namespace

class TestChartSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        LoadConstantTables();
    }

    void init()
    {
        TRegistry::DeniedKey.clear();
        const QString file = TemporaryConfigFile();
        QDir(file).removeRecursively();
        QFile::remove(file);
    }

    void EmptyStoreGivesDefaultsOnTheChart()
    {
        TKRVChart chart;
        const TValueTokenList kinds = {vtUnLoadVoltage, vtCurrent, vtCapacity};
        BuildAxes(chart, kinds);
        BuildSeries(chart, kinds, 4, 0, nullptr);
        QCOMPARE(chart.CustomAxes.size(), 3u);
        QCOMPARE(chart.CustomAxes[0].Axis->range(), QCPRange(1.0, 1.8));
        QCOMPARE(chart.CustomAxes[1].Axis->range(), QCPRange(0, 1600));
        QCOMPARE(chart.CustomAxes[2].Axis->range(), QCPRange(0, 3200));
        QCOMPARE(chart.CustomAxes[2].LabelFormat, QStringLiteral("#0 mAh"));
        QCOMPARE(chart.Series.size(), 12u);
        const QColor expected[12] = {Qt::red,
                                     Qt::green,
                                     QColor(128, 0, 0),
                                     Qt::cyan,
                                     QColor(0, 128, 128),
                                     Qt::blue,
                                     QColor(128, 128, 128),
                                     Qt::magenta,
                                     QColor(128, 128, 0),
                                     QColor(0, 128, 0),
                                     QColor(0, 0, 128),
                                     QColor(128, 0, 128)};
        for (int n = 0; n < 12; ++n) {
            const TChartSeries &series = *chart.Series[static_cast<std::size_t>(n)];
            QCOMPARE(series.Color(), expected[n]);
            QCOMPARE(series.Tag, n);
            QCOMPARE(series.PenWidth(), 1);
            QCOMPARE(series.Kind(), n >= 8 ? TChartSeries::TKind::Bar : TChartSeries::TKind::Line);
            QVERIFY(series.Active());
            QCOMPARE(series.ValueAxis(), chart.CustomAxes[static_cast<std::size_t>(n / 4)].Axis);
        }
        QCOMPARE(chart.Series[0]->Title(), QStringLiteral("通道 1 - 电压"));
        QCOMPARE(chart.Series[7]->Title(), QStringLiteral("通道 4 - 电流"));
        QCOMPARE(chart.SeriesGroups[2][1], chart.Series[9].get());
        QCOMPARE(ReadPageSamples(), 150u);
        QVERIFY(!LoadMinToTray());
        // Reading never writes the defaults back.
        QVERIFY(!QFile::exists(TemporaryConfigFile()));
    }

    void RangeEndsAndPensAreReadOnTheirOwn()
    {
        // Stored ends of one axis (-1: none) and the axis the chart gets; an empty or inverted
        // range, also with one end defaulted, gives the default range.
        struct TCase {
            int Axis;
            qint32 Min, Max;
            QCPRange Expected;
        };
        const TCase cases[] = {{0, -1, 2495, {1.0, 2.495}}, {1, 100, -1, {100, 1600}},  {2, 0, 1, {0, 1}},
                               {2, 3000, 500, {0, 3200}},   {1, 1600, 1600, {0, 1600}}, {1, 1700, -1, {0, 1600}},
                               {0, 1800, 1000, {1.0, 1.8}}};
        for (const TCase &c : cases) {
            QFile::remove(TemporaryConfigFile());
            for (auto [name, value] : {std::pair{"Min", c.Min}, std::pair{"Max", c.Max}})
                if (value >= 0)
                    Store(SettingsKeys::AxisRange, QStringLiteral("Axis_%1_%2").arg(c.Axis).arg(name), value);
            TKRVChart chart;
            BuildAxes(chart, {vtUnLoadVoltage, vtCurrent, vtCapacity});
            QCOMPARE(chart.CustomAxes[static_cast<std::size_t>(c.Axis)].Axis->range(), c.Expected);
        }

        Store(SettingsKeys::LinePen, "Line_5_Color", 0x00123456);
        Store(SettingsKeys::LinePen, "Line_5_Width", 3);
        Store(SettingsKeys::LinePen, "Line_9_Width", 4);
        TKRVChart chart;
        const TValueTokenList kinds = {vtUnLoadVoltage, vtCurrent, vtCapacity};
        BuildAxes(chart, kinds);
        BuildSeries(chart, kinds, 4, 2, nullptr);
        QCOMPARE(chart.Series[5]->Color(), Rgb(0x00123456));
        QCOMPARE(chart.Series[5]->PenWidth(), 3);
        // A bar's stored width has no effect.
        QCOMPARE(chart.Series[9]->PenWidth(), 1);
        // Built on tab 2, only the current lines are active.
        for (int n = 0; n < 12; ++n)
            QCOMPARE(chart.Series[static_cast<std::size_t>(n)]->Active(), n >= 4 && n < 8);
    }

    void PageWidthIsKeptWithinWhatTheScrollBarCanTake()
    {
        const std::pair<qint32, std::uint32_t> cases[] = {{30, 450}, {1, 15},   {1440, 21600},
                                                          {0, 150},  {-5, 150}, {5000, 21600}};
        for (auto [minutes, samples] : cases) {
            Store(SettingsKeys::Root, "PageWidth", minutes);
            QCOMPARE(ReadPageSamples(), samples);
        }
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(SettingsKeys::Root, true));
            QVERIFY(registry.WriteString("PageWidth", "breit"));
        }
        QCOMPARE(ReadPageSamples(), 150u);
        Store(SettingsKeys::Root, "MinToTray", 7);
        QVERIFY(LoadMinToTray());
    }

    void WriterRoundsThenTruncatesAndWritesEveryPage()
    {
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(WriteChartSettings(SomeValues(), nullptr));
        QCOMPARE(answerer.Count(), 0);
        QCOMPARE(Stored(SettingsKeys::AxisRange, "Axis_0_Min"), 1234);
        QCOMPARE(Stored(SettingsKeys::AxisRange, "Axis_0_Max"), 1800);
        QCOMPARE(Stored(SettingsKeys::AxisRange, "Axis_1_Max"), 1200);
        QCOMPARE(Stored(SettingsKeys::LinePen, "Line_9_Color"), qint32(DefaultLineColors[9]));
        QCOMPARE(Stored(SettingsKeys::LinePen, "Line_9_Width"), 10);
        QCOMPARE(Stored(SettingsKeys::Root, "PageWidth"), 30);
        QCOMPARE(Stored(SettingsKeys::Root, "MinToTray"), 1);
        QCOMPARE(AxisValueToStored(vtCurrent, -2.5), -2);
        QCOMPARE(AxisValueToStored(vtUnLoadVoltage, 0.00005), 0);
        QCOMPARE(AxisValueToStored(vtUnLoadVoltage, 2.49999999), 2500);
        // What was written reads back as the same axis.
        TKRVChart chart;
        BuildAxes(chart, {vtUnLoadVoltage, vtCurrent, vtCapacity});
        QCOMPARE(chart.CustomAxes[0].Axis->range(), QCPRange(1.234, 1.8));
    }

    void AxesFailureWarnsOnceAndStopsTheOtherPages()
    {
        // A folder where the settings file should be: nothing can be written.
        QVERIFY(QDir().mkpath(TemporaryConfigFile()));
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(!WriteChartSettings(SomeValues(), nullptr));
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(answerer.Texts[0], QStringLiteral("保存选项失败。请检查是否有注册表读写权限。"));
        QCOMPARE(answerer.Captions[0], QStringLiteral("Korvane 联机应用程序"));
        QCOMPARE(answerer.Icons[0], QMessageBox::Warning);
    }

    void LinesFailureStillWritesPageWidthAndTray()
    {
        TRegistry::DeniedKey = SettingsKeys::LinePen;
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(!WriteChartSettings(SomeValues(), nullptr));
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(Stored(SettingsKeys::AxisRange, "Axis_0_Min"), 1234);
        QVERIFY(!Stored(SettingsKeys::LinePen, "Line_0_Color"));
        QCOMPARE(Stored(SettingsKeys::Root, "PageWidth"), 30);
        QCOMPARE(Stored(SettingsKeys::Root, "MinToTray"), 1);

        TRegistry::DeniedKey = SettingsKeys::AxisRange;
        QFile::remove(TemporaryConfigFile());
        QVERIFY(!WriteChartSettings(SomeValues(), nullptr));
        QCOMPARE(answerer.Count(), 2);
        QVERIFY(!Stored(SettingsKeys::LinePen, "Line_0_Color"));
        QVERIFY(!Stored(SettingsKeys::Root, "PageWidth"));
    }
};

QTEST_MAIN(TestChartSettings)
#include "tst_chart_settings.moc"
