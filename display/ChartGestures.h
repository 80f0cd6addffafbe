#pragma once

#include <QObject>
#include <QRect>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWheelEvent;
class TChartPages;
class TKRVChart;

// The mouse and keyboard on the chart: the wheel zooms the time axis around the cursor
// (Ctrl+wheel the page's value axis), dragging pans, a double-click or Home goes back to
// live, hovering shows the read-out cursor, which the arrow keys move by a step while the
// chart has the focus. The arithmetic is the pages'; this only turns events into it.
class TChartGestures : public QObject
{
public:
    TChartGestures(TKRVChart &Chart, TChartPages &Pages);

    // The cursor at the step nearest to pixel X of the plot; hidden outside it or without data.
    void HoverAt(double X);
    void HideCursor();
    // Moves the cursor by Steps within the view and the recording.
    void MoveCursor(int Steps);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    bool Wheel(QWheelEvent *Event);
    bool Key(QKeyEvent *Event);
    void Drag(QMouseEvent *Event);
    // Where the cursor stands now, on screen only; and a repaint of what changed.
    void Paint(QPainter &Painter);
    void ShowCursorChange();

    TKRVChart &FChart;
    TChartPages &FPages;
    bool FPressed = false;
    bool FDragging = false;
    double FPressX = 0;
    double FPressFirst = 0;
    QRect FPainted; // the cursor's area at the last paint
};
