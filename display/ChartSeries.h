#pragma once

#include <qcustomplot.h>

#include <cstdint>
#include <vector>

class TWorkingTimeTicks;

// A capacity bar that writes its value above itself ("#0 mAh", no frame, no arrow) while
// its mark is switched on.
class TMarkedBars : public QCPBars
{
public:
    TMarkedBars(QCPAxis *KeyAxis, QCPAxis *ValueAxis) : QCPBars(KeyAxis, ValueAxis) {}
    bool MarksVisible = false;
    QString MarkFormat;
    QString MarkText() const;

protected:
    void draw(QCPPainter *Painter) override;
};

// One series of the chart: a line (voltage, current) against the time axis, or a bar
// (capacity) at position 0 of the top axis with a value mark above it. Line series keep the
// working time of every point for the time axis labels.
class TChartSeries
{
public:
    enum class TKind { Line, Bar };

    TChartSeries(QCustomPlot *Chart, TKind Kind, QCPAxis *KeyAxis, QCPAxis *ValueAxis);
    ~TChartSeries();
    TChartSeries(const TChartSeries &) = delete;
    TChartSeries &operator=(const TChartSeries &) = delete;

    TKind Kind() const { return FKind; }
    QCPAbstractPlottable *Plottable() const { return FPlottable; }
    QCPAxis *ValueAxis() const { return FPlottable->valueAxis(); }

    int Tag = 0;
    QString Title() const { return FPlottable->name(); }
    void SetTitle(const QString &Title) { FPlottable->setName(Title); }
    QColor Color() const { return FColor; }
    void SetColor(const QColor &Color);
    int PenWidth() const { return FPenWidth; }
    void SetPenWidth(int Width);
    bool Active() const { return FPlottable->visible(); }
    void SetActive(bool Active) { FPlottable->setVisible(Active); }

    int PointCount() const;
    // Largest X among the points; 0 without points.
    double MaxX() const;
    // Line series: a point at X with its working time in minutes.
    void AddPoint(double X, double Y, std::uint16_t Minutes);
    // Bar series: the one bar at position 0.
    bool HasBar() const { return PointCount() > 0; }
    void SetBarValue(double Y);
    double BarValue() const;
    void SetMarksVisible(bool Visible);
    bool MarksVisible() const;
    void SetMarkFormat(const QString &Format);
    void Clear();
    // The working time of the point at X, or of the last point before it; false when there
    // is none.
    bool MinutesAt(double X, std::uint32_t &Minutes) const;

    // Line series: the points in Window with their working times, after the last point before it.
    void FeedMinutes(const QCPRange &Window, TWorkingTimeTicks &Ticks) const;

    QCPGraph *Graph() const { return FGraph; }
    TMarkedBars *Bars() const { return FBars; }

private:
    QCustomPlot *FChart = nullptr;
    TKind FKind;
    QCPAbstractPlottable *FPlottable = nullptr;
    QCPGraph *FGraph = nullptr;
    TMarkedBars *FBars = nullptr;
    QColor FColor;
    int FPenWidth = 1;
    std::vector<std::uint16_t> FMinutes;
};
