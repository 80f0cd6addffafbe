#pragma once

#include <qcustomplot.h>

#include <cstdint>
#include <functional>

// Value-axis labels in a "#0.000 V" style: a fixed number of decimals (the user's decimal
// separator) and a unit after a blank.
class TFormatTicker : public QCPAxisTicker
{
public:
    // Format as "#0 mA", "#0.000 V": the decimals after the point, the rest is the unit.
    explicit TFormatTicker(const QString &Format);
    QString Format() const { return FFormat; }

protected:
    QString getTickLabel(double Tick, const QLocale &Locale, QChar FormatChar, int Precision) override;

private:
    QString FFormat;
};

// Ticks of the time axis on whole minutes of the working time that labels them. Fed the points
// of the labelling line in key order, beginning with the last point before the window: a tick
// stands at the point where the working time steps onto a multiple of the step, so the labels
// read an even series ("00:20", "00:22", ...). The first point of a recording is labelled too,
// unless a whole minute follows within half a step; a window without a whole minute labels its
// first point.
class TWorkingTimeTicks
{
public:
    TWorkingTimeTicks(const QCPRange &Window, int StepMinutes);
    void Add(double Key, std::uint32_t Minutes);
    void Finish();

    QVector<double> Ticks;
    QVector<QString> Labels;

private:
    void Push(double Key, std::uint32_t Minutes);

    QCPRange FWindow;
    std::uint32_t FStep = 1;
    bool FHasPrevious = false;
    std::uint32_t FPrevious = 0;
    bool FLastIsStart = false;
    bool FHasFirst = false;
    double FFirstKey = 0;
    std::uint32_t FFirstMinutes = 0;
};

// Minutes between time axis ticks: the smallest of 1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720,
// then whole days, that puts at most MaxTicks ticks on a window of SpanMinutes.
int TimeTickStep(double SpanMinutes, int MaxTicks);

// The time axis: ticks and labels from the working times the line series keep (no text is
// stored per point).
class TWorkingTimeTicker : public QCPAxisTicker
{
public:
    // Feeds the points of the labelling line around a window, as TWorkingTimeTicks wants them.
    using TPointSource = std::function<void(const QCPRange &Window, TWorkingTimeTicks &Ticks)>;
    // How many labels the axis has room for.
    using TRoom = std::function<int()>;
    TWorkingTimeTicker(TPointSource Source, TRoom Room) : FSource(std::move(Source)), FRoom(std::move(Room)) {}

    void generate(const QCPRange &Range, const QLocale &Locale, QChar FormatChar, int Precision, QVector<double> &Ticks,
                  QVector<double> *SubTicks, QVector<QString> *TickLabels) override;

private:
    TPointSource FSource;
    TRoom FRoom;
};

// Value in a "#0.000 V" style format: the decimals after the point, the rest a unit.
QString FormatAxisValue(const QString &Format, double Value);

// "hh:mm" from minutes; hours go past 24 rather than wrapping (1500 minutes give 25:00).
QString WorkingTimeLabel(std::uint32_t Minutes);
