#pragma once

#include <qcustomplot.h>

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

// The time axis labels each tick with the working time of the point drawn there, formed
// when drawn from the minutes the series keeps (no text is stored per point).
class TWorkingTimeTicker : public QCPAxisTicker
{
public:
    using TLabelSource = std::function<QString(double Key)>;
    explicit TWorkingTimeTicker(TLabelSource Source) : FSource(std::move(Source)) {}

protected:
    QString getTickLabel(double Tick, const QLocale &Locale, QChar FormatChar, int Precision) override;

private:
    TLabelSource FSource;
};

// Value in a "#0.000 V" style format: the decimals after the point, the rest a unit.
QString FormatAxisValue(const QString &Format, double Value);

// "hh:mm" from minutes; hours go past 24 rather than wrapping (1500 minutes give 25:00).
QString WorkingTimeLabel(std::uint32_t Minutes);
