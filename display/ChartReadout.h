#pragma once

#include "ChannelRows.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

class QPainter;
class TKRVChart;

// What the read-out box says about one sample step: its working time, the wall-clock time it
// began, and per channel the values of its shown series there, each in its series' colour.
struct TReadout {
    struct TValue {
        QColor Color;
        QString Text; // "1.234 V", "500 mA", "812 mAh"
    };
    struct TLine {
        QString Label; // the channel's legend label
        std::vector<TValue> Values;
    };
    std::int64_t Step = 0;
    QString WorkingTime; // "hh:mm"
    QString WallClock;   // "yyyy-MM-dd hh:mm:ss"; empty when the step's time is not known
    std::vector<TLine> Lines;
};

// The read-out at Step from the shown series: lines where they have a point at the step, bars
// with the capacity the channel reported at the step.
TReadout ReadoutAt(const TKRVChart &Chart, const TChannelRows &Rows, std::int64_t Step);

// The box of a read-out beside the cursor at pixel X, inside the plot; its size follows the
// painter's font.
QRect ReadoutBox(const TKRVChart &Chart, const TReadout &Readout, double X);
// Paints the cursor line at pixel X and the box.
void PaintReadout(QPainter &Painter, const TKRVChart &Chart, const TReadout &Readout, double X);
