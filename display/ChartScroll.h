#pragma once

class QScrollBar;

// The chart's scroll bar as the paging rules see it: the position is the first visible
// sample step and stays within [Min, Max]; a new maximum below the page size lowers the
// page size. The Qt scroll bar shows it; its thumb ends where the last page begins.
class TChartScroll
{
public:
    explicit TChartScroll(QScrollBar *Bar) : FBar(Bar) {}

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    int PageSize() const { return FPageSize; }
    int LargeChange() const { return FLargeChange; }
    bool Enabled() const { return FEnabled; }

    void SetMin(int Value);
    void SetMax(int Value);
    void SetPosition(int Value);
    void SetPageSize(int Value);
    void SetLargeChange(int Value);
    void SetEnabled(bool Value);

private:
    void Show();

    QScrollBar *FBar = nullptr;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FPageSize = 0;
    int FLargeChange = 1;
    bool FEnabled = true;
};
