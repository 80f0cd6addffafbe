#include "ChartView.h"

#include <algorithm>
#include <cmath>

TChartView::TWindow TChartView::ZoomAround(TWindow View, double Anchor, double Factor, std::int64_t Widest,
                                           std::int64_t Total)
{
    const std::int64_t widest = std::max(Widest, MinSamples);
    const auto width = std::clamp<std::int64_t>(std::llround(double(View.Width) * Factor), MinSamples, widest);
    // The anchor keeps its share of the view on either side.
    const double share = View.Width > 0 ? std::clamp((Anchor - double(View.First)) / double(View.Width), 0.0, 1.0) : 0;
    const std::int64_t last = std::max<std::int64_t>(0, Total - width);
    const std::int64_t first =
        std::clamp<std::int64_t>(std::llround(Anchor - share * double(width)), std::min<std::int64_t>(1, last), last);
    return {first, width};
}

QCPRange TChartView::ZoomValue(const QCPRange &Range, double Anchor, double Factor)
{
    const double anchor = std::clamp(Anchor, Range.lower, Range.upper);
    return QCPRange(anchor - (anchor - Range.lower) * Factor, anchor + (Range.upper - anchor) * Factor);
}
