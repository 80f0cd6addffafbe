#pragma once
// Paints a vertical value axis at a pixel position of the caller's choosing, for the axes the
// chart keeps hidden but the pages still show. It uses the axis's range, ticker, pens and label
// font, so a painted axis reads like one the chart draws itself.
class QCPAxis;
class QPainter;

inline constexpr int AxisTickLength = 4;
inline constexpr int AxisLabelSeparation = 10;

// Where the axis goes, in chart pixels. Ticks point to the side of the labels.
struct TAxisPlacement {
    int LineX = 0;
    int Top = 0;
    int Bottom = 0;
    bool LabelsRight = false;
    bool Labels = true;
    // From the axis line to the near edge of the labels.
    int LabelGap = AxisLabelSeparation;
    // Labels also at the two ends of the axis.
    bool LabelsOnAxis = true;
    // Labels on the chart's white, over what was painted beneath them.
    bool LabelBackground = false;
    // Grid lines at the ticks, across from GridLeft to GridRight.
    bool Grid = false;
    int GridLeft = 0;
    int GridRight = 0;
};

// Pixels from the axis line to the far end of its widest label, with a small gap to the edge
// of the chart: the margin that holds the labels written beside the plot.
int ValueLabelRoom(QCPAxis *Axis);

// Tick heights come from the axis's own pixel mapping, so the chart must have been laid out.
void PaintValueAxis(QPainter *Painter, QCPAxis *Axis, const TAxisPlacement &Placement);
