#include "ChartTickers.h"

#include "settings/ChartSettings.h"

#include <algorithm>
#include <cmath>

QString FormatAxisValue(const QString &Format, double Value)
{
    const qsizetype blank = Format.indexOf(QLatin1Char(' '));
    const QString number = blank < 0 ? Format : Format.left(blank);
    const QString suffix = blank < 0 ? QString() : Format.mid(blank);
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : static_cast<int>(number.size() - point - 1);
    // The user's regional decimal separator, as every value text of the program.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(Value, 'f', decimals) + suffix;
}

TFormatTicker::TFormatTicker(const QString &Format) : FFormat(Format) {}

QString TFormatTicker::getTickLabel(double Tick, const QLocale &, QChar, int) { return FormatAxisValue(FFormat, Tick); }
TWorkingTimeTicks::TWorkingTimeTicks(const QCPRange &Window, int StepMinutes)
    : FWindow(Window), FStep(static_cast<std::uint32_t>(std::max(1, StepMinutes)))
{}

void TWorkingTimeTicks::Add(double Key, std::uint32_t Minutes)
{
    if (Key > FWindow.upper)
        return;
    const bool start = !FHasPrevious;
    const bool whole = FHasPrevious && Minutes != FPrevious && Minutes % FStep == 0;
    FHasPrevious = true;
    FPrevious = Minutes;
    if (Key < FWindow.lower)
        return;
    if (!FHasFirst) {
        FHasFirst = true;
        FFirstKey = Key;
        FFirstMinutes = Minutes;
    }
    if (start) {
        Push(Key, Minutes);
        FLastIsStart = true;
        return;
    }
    if (!whole)
        return;
    // Closer than half a step the labels would crowd; the start yields to the whole minute.
    const double gap = FStep * SamplesPerMinute / 2.0;
    if (!Ticks.isEmpty() && Key - Ticks.last() < gap) {
        if (!FLastIsStart)
            return;
        Ticks.removeLast();
        Labels.removeLast();
    }
    Push(Key, Minutes);
    FLastIsStart = false;
}

void TWorkingTimeTicks::Push(double Key, std::uint32_t Minutes)
{
    Ticks.append(Key);
    Labels.append(WorkingTimeLabel(Minutes));
}

void TWorkingTimeTicks::Finish()
{
    if (Ticks.isEmpty() && FHasFirst)
        Push(FFirstKey, FFirstMinutes);
}

int TimeTickStep(double SpanMinutes, int MaxTicks)
{
    constexpr int Steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720, 1440};
    const double room = std::max(1, MaxTicks);
    for (int step : Steps)
        if (SpanMinutes / step <= room)
            return step;
    constexpr int Day = 1440;
    return Day * static_cast<int>(std::ceil(SpanMinutes / room / Day));
}

void TWorkingTimeTicker::generate(const QCPRange &Range, const QLocale &, QChar, int, QVector<double> &Ticks,
                                  QVector<double> *SubTicks, QVector<QString> *TickLabels)
{
    TWorkingTimeTicks ticks(Range, TimeTickStep(Range.size() / SamplesPerMinute, FRoom ? FRoom() : 10));
    if (FSource)
        FSource(Range, ticks);
    ticks.Finish();
    Ticks = ticks.Ticks;
    if (SubTicks)
        SubTicks->clear();
    if (TickLabels)
        *TickLabels = ticks.Labels;
}

QString WorkingTimeLabel(std::uint32_t Minutes)
{
    return QStringLiteral("%1:%2")
        .arg(Minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(Minutes % 60, 2, 10, QLatin1Char('0'));
}
