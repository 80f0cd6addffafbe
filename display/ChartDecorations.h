#pragma once
// The decorations painted on the chart at every paint, on screen and in saved pictures: the
// header band with the logo and three lines of text, the legend box of the checked channels,
// the value axes the chart keeps hidden on the all-lines page, and the lines that frame the
// value range of the page on show.
#include "ChannelRows.h"
#include "charger/ValueToken.h"

#include <QBrush>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>
#include <vector>

class QAction;
class QCPPainter;
class QImage;
class QPainter;
class TChartPages;
class TKRVChart;
class TChartSeries;
struct TCustomAxis;

// The legend's box: a white inside in a thin frame, without gradient or shadow.
struct TLegendShape {
    QPen Frame{QColor(Qt::black), 1};
    QBrush Fill{Qt::white};
    // The frame lies on Box's outer pixels; the inside begins one pixel in.
    void Paint(QPainter *Painter, const QRect &Box) const;
};

// Binds the chart's two painting hooks for its lifetime. The chart, the rows, the pages, the
// legend command and the logo must outlive it; the logo may be absent. GUI thread only.
class TChartDecorations
{
public:
    TChartDecorations(TKRVChart &Chart, const TChannelRows &Rows, TChartPages &Pages, QAction *actShowLegend,
                      const QImage *Logo);
    ~TChartDecorations();
    TChartDecorations(const TChartDecorations &) = delete;
    TChartDecorations &operator=(const TChartDecorations &) = delete;

    void ChartBeforeDrawAxes(QCPPainter *Painter);
    void ChartAfterDraw(QCPPainter *Painter);

    static int AxisIndexOfToken(TValueToken Kind);

    // Width and height of the legend box in the chart's font; the height is 0 without checked
    // rows.
    QSize MeasureLegend() const;
    // The legend's box in chart pixels, right-aligned in the header band.
    QRect LegendBox() const;
    // "通道 %d - %s" or "通道 %d", by the row's channel.
    static QString LegendLabel(const TChannelRow &Row);

    // The painted logo; empty until a logo was painted.
    QRect LogoRect() const { return FLogoRect; }

private:
    void DrawLogo(QPainter *Painter);
    void DrawHeaderText(QPainter *Painter);
    void DrawLegend(QPainter *Painter);
    QPoint DrawLegendSwatch(QPainter *Painter, int X, int Y, const QColor &Color);
    QPoint DrawLegendText(QPainter *Painter, int X, int Y, const QString &Text);
    void CreateLegendShape();

    struct TLegendLayout {
        int LabelWidth = 4;
        // The kinds listed on the page on show.
        std::vector<TValueToken> Kinds;
        QSize Size;
    };
    TLegendLayout LayoutLegend() const;
    TCustomAxis *CustomAxisAt(int Index) const;
    const TChartSeries *SeriesOf(int AxisIndex, int ChannelIndex) const;

    TKRVChart &FChart;
    const TChannelRows &FRows;
    TChartPages &FPages;
    QAction *FShowLegend = nullptr;
    const QImage *FLogo = nullptr;
    QRect FLogoRect;
    std::unique_ptr<TLegendShape> FLegendShape;
};
