#include "ChartReadout.h"

#include "ChartTickers.h"
#include "DataBox.h"
#include "ExportLines.h"
#include "KRVChart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Padding = 6;
constexpr int Gap = 10;  // between the cursor and the box, and between values
constexpr int Inset = 8; // from the plot's edges

QString LabelOf(const TChannelRows &Rows, int Channel)
{
    for (const TChannelRow &row : Rows)
        if (row.ChannelIndex == Channel)
            return ChannelLabel(row);
    TChannelRow row;
    row.ChannelIndex = Channel;
    return ChannelLabel(row);
}

QStringList HeadTexts(const TReadout &Readout)
{
    QStringList head{Readout.WorkingTime};
    if (!Readout.WallClock.isEmpty())
        head << Readout.WallClock;
    return head;
}

// Width and height of the box's contents in the metrics of the chart's font.
QSize ContentSize(const QFontMetrics &Metrics, const TReadout &Readout)
{
    int width = 0;
    for (const QString &text : HeadTexts(Readout))
        width = std::max(width, Metrics.horizontalAdvance(text));
    int label = 0;
    for (const TReadout::TLine &line : Readout.Lines)
        label = std::max(label, Metrics.horizontalAdvance(line.Label));
    for (const TReadout::TLine &line : Readout.Lines) {
        int w = label;
        for (const TReadout::TValue &value : line.Values)
            w += Gap + Metrics.horizontalAdvance(value.Text);
        width = std::max(width, w);
    }
    const auto rows = static_cast<int>(HeadTexts(Readout).size() + Readout.Lines.size());
    return {width, rows * Metrics.height()};
}

} // namespace

TReadout ReadoutAt(const TKRVChart &Chart, const TChannelRows &Rows, std::int64_t Step)
{
    TReadout readout;
    readout.Step = Step;
    readout.WorkingTime = Chart.TimeLabelAt(double(Step));
    const QDateTime began = Chart.StepClock.TimeOf(Step);
    if (began.isValid())
        readout.WallClock = began.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));

    std::size_t channels = 0;
    for (const std::vector<TChartSeries *> &group : Chart.SeriesGroups)
        channels = std::max(channels, group.size());
    for (std::size_t channel = 0; channel < channels; ++channel) {
        TReadout::TLine line;
        for (std::size_t axis = 0; axis < Chart.SeriesGroups.size() && axis < Chart.CustomAxes.size(); ++axis) {
            const std::vector<TChartSeries *> &group = Chart.SeriesGroups[axis];
            if (channel >= group.size() || !group[channel]->Active())
                continue;
            const TChartSeries &series = *group[channel];
            double value = 0;
            if (const QCPGraph *graph = series.Graph()) {
                const auto data = graph->data();
                const auto at = data->findBegin(double(Step), false);
                if (at == data->constEnd() || at->key != double(Step))
                    continue;
                value = at->value;
            } else {
                const TExportLines::TRecord *record =
                    Chart.Records ? Chart.Records->Find(static_cast<std::uint32_t>(Step), int(channel) + 1) : nullptr;
                if (!record)
                    continue;
                value = record->MilliAmpHours;
            }
            line.Values.push_back({series.Color(), FormatAxisValue(Chart.CustomAxes[axis].LabelFormat, value)});
        }
        if (line.Values.empty())
            continue;
        line.Label = LabelOf(Rows, int(channel));
        readout.Lines.push_back(std::move(line));
    }
    return readout;
}

QRect ReadoutBox(const TKRVChart &Chart, const TReadout &Readout, double X)
{
    const QSize content = ContentSize(QFontMetrics(Chart.font()), Readout);
    const QRect plot = Chart.PlotRect();
    const QSize size(content.width() + 2 * Padding, content.height() + 2 * Padding);
    // Right of the cursor, or left of it where the plot ends.
    int left = int(std::lround(X)) + Gap;
    if (left + size.width() > plot.right() - Inset)
        left = int(std::lround(X)) - Gap - size.width();
    left = std::max(left, plot.left() + Inset);
    return QRect(QPoint(left, plot.top() + Inset), size);
}

void PaintReadout(QPainter &Painter, const TKRVChart &Chart, const TReadout &Readout, double X)
{
    const QRect plot = Chart.PlotRect();
    Painter.save();
    Painter.setFont(Chart.font());
    Painter.setPen(QPen(QColor(96, 96, 96), 1, Qt::DashLine));
    Painter.drawLine(QPointF(X, plot.top()), QPointF(X, plot.bottom()));

    const QRect box = ReadoutBox(Chart, Readout, X);
    // On the chart's white: a light box with dark text whatever the desktop's palette.
    Painter.setPen(QPen(QColor(128, 128, 128), 1));
    Painter.setBrush(QColor(255, 255, 255, 235));
    Painter.drawRect(box.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics(Chart.font());
    int y = box.top() + Padding + metrics.ascent();
    const int left = box.left() + Padding;
    Painter.setPen(ChartTextColor);
    for (const QString &text : HeadTexts(Readout)) {
        Painter.drawText(left, y, text);
        y += metrics.height();
    }
    int label = 0;
    for (const TReadout::TLine &line : Readout.Lines)
        label = std::max(label, metrics.horizontalAdvance(line.Label));
    for (const TReadout::TLine &line : Readout.Lines) {
        Painter.setPen(ChartTextColor);
        Painter.drawText(left, y, line.Label);
        int x = left + label;
        for (const TReadout::TValue &value : line.Values) {
            x += Gap;
            Painter.setPen(value.Color);
            Painter.drawText(x, y, value.Text);
            x += metrics.horizontalAdvance(value.Text);
        }
        y += metrics.height();
    }
    Painter.restore();
}
