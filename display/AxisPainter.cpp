#include "AxisPainter.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// The ticks and labels the chart itself would draw for the axis.
void GenerateTicks(QCPAxis *Axis, QVector<double> &Ticks, QVector<QString> &Labels)
{
    const QString format = Axis->numberFormat();
    const QChar formatChar = format.isEmpty() ? QLatin1Char('g') : format.at(0);
    const QLocale locale = Axis->parentPlot() ? Axis->parentPlot()->locale() : QLocale();
    Axis->ticker()->generate(Axis->range(), locale, formatChar, Axis->numberPrecision(), Ticks, nullptr, &Labels);
}

} // namespace

int ValueLabelRoom(QCPAxis *Axis)
{
    if (!Axis || !Axis->ticker() || Axis->range().size() <= 0)
        return 0;
    QVector<double> ticks;
    QVector<QString> labels;
    GenerateTicks(Axis, ticks, labels);
    const QFontMetricsF metrics(Axis->tickLabelFont());
    qreal widest = 0;
    for (const QString &label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    // Glyphs drawn at a scale factor can reach a pixel past their measured advance.
    constexpr int EdgeGap = 3;
    return AxisLabelSeparation + static_cast<int>(std::ceil(widest)) + EdgeGap;
}

void PaintValueAxis(QPainter *Painter, QCPAxis *Axis, const TAxisPlacement &Placement)
{
    if (!Axis || !Axis->ticker() || Axis->range().size() <= 0)
        return;
    QVector<double> ticks;
    QVector<QString> labels;
    GenerateTicks(Axis, ticks, labels);

    // Whole pixels, rounded as the chart rounds its own grid lines and ticks.
    const auto pixelOf = [Axis](double Value) { return qRound(Axis->coordToPixel(Value)); };

    Painter->save();
    if (Placement.Grid) {
        Painter->setPen(Axis->grid()->pen());
        for (double tick : ticks)
            Painter->drawLine(QLine(Placement.GridLeft, pixelOf(tick), Placement.GridRight, pixelOf(tick)));
    }

    Painter->setPen(Axis->basePen());
    Painter->drawLine(QLine(Placement.LineX, Placement.Top, Placement.LineX, Placement.Bottom));

    const int side = Placement.LabelsRight ? 1 : -1;
    Painter->setPen(Axis->tickPen());
    for (double tick : ticks)
        Painter->drawLine(
            QLine(Placement.LineX, pixelOf(tick), Placement.LineX + side * AxisTickLength, pixelOf(tick)));

    if (!Placement.Labels) {
        Painter->restore();
        return;
    }
    Painter->setFont(Axis->tickLabelFont());
    Painter->setPen(Axis->tickLabelColor());
    const int lowerY = pixelOf(Axis->range().lower);
    const int upperY = pixelOf(Axis->range().upper);
    const int height = Painter->fontMetrics().height();
    // Wide enough for any label; the alignment puts the text against the gap.
    constexpr int LabelRoom = 400;
    for (qsizetype i = 0; i < ticks.size() && i < labels.size(); ++i) {
        const int y = pixelOf(ticks[i]);
        if ((y == lowerY || y == upperY) && !Placement.LabelsOnAxis)
            continue;
        const int top = y - height / 2;
        const QRect box = Placement.LabelsRight
                              ? QRect(Placement.LineX + Placement.LabelGap, top, LabelRoom, height)
                              : QRect(Placement.LineX - Placement.LabelGap - LabelRoom, top, LabelRoom, height);
        const int align = Qt::AlignVCenter | (Placement.LabelsRight ? Qt::AlignLeft : Qt::AlignRight);
        if (Placement.LabelBackground)
            Painter->fillRect(Painter->boundingRect(box, align, labels[i]), Qt::white);
        Painter->drawText(box, align, labels[i]);
    }
    Painter->restore();
}
