#include "ChartBuilder.h"

#include "AxisPainter.h"
#include "ChartTickers.h"
#include "KRVChart.h"
#include "resources/Texts.h"
#include "settings/ChartSettings.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <stdexcept>

TValueTokenList AxisValueTokens;

namespace {

QString KindName(TValueToken Kind) { return ValueTokenNames[static_cast<std::size_t>(Kind)]; }

void ConfigureAxis(TKRVChart &Chart, TCustomAxis &Custom, int AxisIndex, TValueToken Kind)
{
    const QString format = AxisLabelFormat(Kind);
    if (format.isEmpty())
        throw std::invalid_argument("value kind without an axis");
    const TAxisRange range = ReadAxisRange(AxisIndex, Kind);
    QCPAxis *axis = Custom.Axis;
    Custom.LabelFormat = format;
    Custom.Caption = KindName(Kind);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new TFormatTicker(format)));
    axis->setRange(range.Lower, range.Upper);
    axis->setBasePen(Chart.TimeAxis()->basePen());
    axis->grid()->setPen(Chart.TimeAxis()->grid()->pen());
    axis->grid()->setSubGridVisible(false);
    axis->setSubTicks(false);
    axis->setTickLengthIn(0);
    axis->setTickLengthOut(AxisTickLength);
    // The separation counts from the axis line; the chart counts its padding from the tick's end.
    axis->setTickLabelPadding(AxisLabelSeparation - AxisTickLength);
    // The caption names the series; the axis shows no title.
    axis->setLabel(QString());
}

} // namespace

QString AxisLabelFormat(TValueToken Kind)
{
    switch (Kind) {
    case vtUnLoadVoltage:
        return QStringLiteral("#0.000 V");
    case vtCurrent:
        return QStringLiteral("#0 mA");
    case vtCapacity:
        return QStringLiteral("#0 mAh");
    default:
        return {};
    }
}

void FreeAxes(TKRVChart &Chart)
{
    while (!Chart.SeriesGroups.empty())
        Chart.SeriesGroups.pop_back();
    for (int i = static_cast<int>(Chart.CustomAxes.size()) - 1; i >= 0; --i)
        Chart.FreeCustomAxis(i);
}

void BuildAxes(TKRVChart &Chart, const TValueTokenList &AxisValueTokens)
{
    FreeSeries(Chart);
    FreeAxes(Chart);
    for (std::size_t i = 0; i < AxisValueTokens.size(); ++i) {
        TCustomAxis &custom = Chart.AddCustomAxis();
        try {
            ConfigureAxis(Chart, custom, static_cast<int>(i), AxisValueTokens[i]);
        } catch (const std::exception &) {
            Chart.FreeCustomAxis(static_cast<int>(Chart.CustomAxes.size()) - 1);
            continue;
        }
        Chart.SeriesGroups.emplace_back();
    }
}

void FreeSeries(TKRVChart &Chart)
{
    for (auto group = Chart.SeriesGroups.rbegin(); group != Chart.SeriesGroups.rend(); ++group)
        group->clear();
    Chart.Series.clear();
}

void BuildSeries(TKRVChart &Chart, const TValueTokenList &AxisValueTokens, int ChannelCount, int SelectedTab,
                 QWidget *Owner)
{
    FreeSeries(Chart);
    for (std::size_t i = 0; i < AxisValueTokens.size(); ++i) {
        const TValueToken kind = AxisValueTokens[i];
        for (int j = 0; j < ChannelCount; ++j) {
            try {
                if (i >= Chart.SeriesGroups.size() || i >= Chart.CustomAxes.size())
                    throw std::out_of_range("no axis for the series");
                TCustomAxis &axis = Chart.CustomAxes[i];
                const bool bar = kind == vtCapacity;
                TChartSeries &series =
                    Chart.AddSeries(bar ? TChartSeries::TKind::Bar : TChartSeries::TKind::Line, axis.Axis);
                Chart.SeriesGroups[i].push_back(&series);
                const int n = static_cast<int>(Chart.Series.size()) - 1;
                const TLinePen pen = ReadLinePen(n);
                series.SetColor(FromStoredColor(pen.Color));
                if (!bar)
                    series.SetPenWidth(pen.Width);
                else
                    series.SetMarkFormat(AxisLabelFormat(kind));
                series.Tag = n;
                series.SetTitle(FormatText(LoadStr(TTextId::SeriesTitle), {j + 1LL, axis.Caption}));
                series.SetActive(SelectedTab == 0 || SelectedTab == static_cast<int>(i) + 1);
            } catch (const std::exception &) {
                ShowWarning(Owner, FormatText(LoadStr(TTextId::AxisAccessError), {KindName(kind)}),
                            LoadStr(TTextId::AppTitle));
            }
        }
    }
}
