#include "ChartScroll.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

void TChartScroll::SetMin(int Value)
{
    if (Value > FMax)
        return;
    FMin = Value;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Show();
}

void TChartScroll::SetMax(int Value)
{
    if (Value < FMin)
        return;
    FMax = Value;
    FPageSize = std::min(FPageSize, FMax);
    FPosition = std::clamp(FPosition, FMin, FMax);
    Show();
}

void TChartScroll::SetPosition(int Value)
{
    FPosition = std::clamp(Value, FMin, FMax);
    Show();
}

void TChartScroll::SetPageSize(int Value)
{
    FPageSize = std::clamp(Value, 0, FMax);
    Show();
}

void TChartScroll::SetLargeChange(int Value)
{
    FLargeChange = std::clamp(Value, 1, 32767);
    Show();
}

void TChartScroll::SetEnabled(bool Value)
{
    FEnabled = Value;
    Show();
}

void TChartScroll::Show()
{
    if (!FBar)
        return;
    // Setting the bar from here is no user scroll.
    const QSignalBlocker blocker(FBar);
    const int last = std::max(FMin, FMax - std::max(FPageSize - 1, 0));
    FBar->setRange(FMin, last);
    FBar->setPageStep(std::max(FLargeChange, 1));
    FBar->setValue(std::min(FPosition, last));
    FBar->setEnabled(FEnabled);
}
