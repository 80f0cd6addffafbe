#include "ChartSeries.h"

#include "ChartTickers.h"
#include "KRVChart.h"

#include <algorithm>

QString TMarkedBars::MarkText() const
{
    if (data()->isEmpty())
        return {};
    return FormatAxisValue(MarkFormat, data()->constBegin()->value);
}

void TMarkedBars::draw(QCPPainter *Painter)
{
    QCPBars::draw(Painter);
    if (!MarksVisible || data()->isEmpty())
        return;
    const QPointF top = dataPixelPosition(0);
    const QString text = MarkText();
    const QFontMetrics metrics(Painter->font());
    const QRect box = metrics.boundingRect(text);
    // The mark stands above the bar, centred on it, the gap of an arrow length away.
    constexpr int ArrowLength = 8;
    const QPointF at(top.x() - box.width() / 2.0, top.y() - ArrowLength - metrics.descent());
    // On the chart's white, so that grid lines do not strike the mark through.
    Painter->fillRect(box.translated(at.toPoint()), Qt::white);
    Painter->setPen(QPen(ChartTextColor));
    Painter->drawText(at, text);
}

TChartSeries::TChartSeries(QCustomPlot *Chart, TKind Kind, QCPAxis *KeyAxis, QCPAxis *ValueAxis)
    : FChart(Chart), FKind(Kind)
{
    if (Kind == TKind::Bar) {
        FBars = new TMarkedBars(KeyAxis, ValueAxis);
        FPlottable = FBars;
    } else {
        FGraph = new QCPGraph(KeyAxis, ValueAxis);
        FGraph->setAdaptiveSampling(true);
        FPlottable = FGraph;
    }
    SetColor(Qt::black);
}

TChartSeries::~TChartSeries() { FChart->removePlottable(FPlottable); }

void TChartSeries::SetColor(const QColor &Color)
{
    FColor = Color;
    if (FBars) {
        FBars->setPen(QPen(Color.darker(150)));
        FBars->setBrush(Color);
    } else {
        FGraph->setPen(QPen(Color, FPenWidth));
    }
}

void TChartSeries::SetPenWidth(int Width)
{
    FPenWidth = Width;
    if (FGraph)
        FGraph->setPen(QPen(FColor, Width));
}

int TChartSeries::PointCount() const { return FGraph ? FGraph->dataCount() : FBars->dataCount(); }

double TChartSeries::MaxX() const
{
    // Points come in step order, so the last one is the largest.
    if (FGraph)
        return FGraph->data()->isEmpty() ? 0 : (FGraph->data()->constEnd() - 1)->key;
    return FBars->data()->isEmpty() ? 0 : (FBars->data()->constEnd() - 1)->key;
}

void TChartSeries::AddPoint(double X, double Y, std::uint16_t Minutes)
{
    if (!FGraph)
        return;
    FGraph->addData(X, Y);
    FMinutes.push_back(Minutes);
}

void TChartSeries::SetBarValue(double Y)
{
    if (!FBars)
        return;
    if (FBars->data()->isEmpty())
        FBars->addData(0, Y);
    else
        FBars->data()->begin()->value = Y;
}

double TChartSeries::BarValue() const
{
    return FBars && !FBars->data()->isEmpty() ? FBars->data()->constBegin()->value : 0;
}

void TChartSeries::SetMarksVisible(bool Visible)
{
    if (FBars)
        FBars->MarksVisible = Visible;
}

bool TChartSeries::MarksVisible() const { return FBars && FBars->MarksVisible; }

void TChartSeries::SetMarkFormat(const QString &Format)
{
    if (FBars)
        FBars->MarkFormat = Format;
}

void TChartSeries::Clear()
{
    // Emptied containers keep their capacity: squeezing hands a long recording's memory back.
    if (FGraph) {
        FGraph->data()->clear();
        FGraph->data()->squeeze(true, true);
    } else {
        FBars->data()->clear();
        FBars->data()->squeeze(true, true);
    }
    FMinutes.clear();
    FMinutes.shrink_to_fit();
}

bool TChartSeries::MinutesAt(double X, std::uint32_t &Minutes) const
{
    if (!FGraph || FGraph->data()->isEmpty())
        return false;
    const auto data = FGraph->data();
    // The first point after X, then one back: the point at X or the last before it.
    auto it = std::upper_bound(data->constBegin(), data->constEnd(), X,
                               [](double Key, const QCPGraphData &Point) { return Key < Point.key; });
    // No label before the first point or after the last.
    if (it == data->constBegin() || (it == data->constEnd() && X > (it - 1)->key))
        return false;
    const auto index = static_cast<std::size_t>(it - data->constBegin() - 1);
    if (index >= FMinutes.size())
        return false;
    Minutes = FMinutes[index];
    return true;
}

void TChartSeries::FeedMinutes(const QCPRange &Window, TWorkingTimeTicks &Ticks) const
{
    if (!FGraph)
        return;
    const auto data = FGraph->data();
    auto it = data->findBegin(Window.lower, false);
    if (it != data->constBegin())
        --it;
    for (; it != data->constEnd() && it->key <= Window.upper; ++it) {
        const auto index = static_cast<std::size_t>(it - data->constBegin());
        if (index >= FMinutes.size())
            return;
        Ticks.Add(it->key, FMinutes[index]);
    }
}
