#pragma once

#include <qcustomplot.h>

#include <cstdint>
#include <map>
#include <optional>

// What the wheel, dragging and the keyboard made of the time window on top of the paging
// rules: a view width of its own (zoomed), a view moved by hand (panned), value axes zoomed,
// and the read-out cursor. With none of them the view is the page at the scroll position.
class TChartView
{
public:
    // The narrowest view: one minute of steps.
    static constexpr std::int64_t MinSamples = 15;

    // The view's width in steps: the page width unless zoomed.
    std::int64_t Width(std::int64_t PageSamples) const { return FZoom > 0 ? FZoom : PageSamples; }
    bool Zoomed() const { return FZoom > 0; }
    // A gesture took the view off the paging rules.
    bool Moved() const { return FZoom > 0 || FPanned || !FValueRanges.empty(); }
    void SetZoom(std::int64_t Width) { FZoom = Width; }
    void SetPanned() { FPanned = true; }

    // The view [First, First + Width] zoomed by Factor around the step Anchor, which keeps its
    // place across the plot; the width stays within one minute and Widest, the first step
    // within [1, Total - width] (0 when the view holds everything).
    struct TWindow {
        std::int64_t First = 0;
        std::int64_t Width = 0;
        bool operator==(const TWindow &) const = default;
    };
    static TWindow ZoomAround(TWindow View, double Anchor, double Factor, std::int64_t Widest, std::int64_t Total);
    // A value range zoomed by Factor around the value Anchor.
    static QCPRange ZoomValue(const QCPRange &Range, double Anchor, double Factor);

    // The range a value axis had before its first zoom, kept to give it back.
    void KeepValueRange(int AxisIndex, const QCPRange &Range) { FValueRanges.try_emplace(AxisIndex, Range); }
    const std::map<int, QCPRange> &ValueRanges() const { return FValueRanges; }

    // The step under the read-out cursor, none while it is hidden.
    std::optional<std::int64_t> Cursor;

    // Back to the paging rules; the value ranges to give back are the caller's.
    void Reset()
    {
        FZoom = 0;
        FPanned = false;
        FValueRanges.clear();
    }

private:
    std::int64_t FZoom = 0;
    bool FPanned = false;
    std::map<int, QCPRange> FValueRanges;
};
