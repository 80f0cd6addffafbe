#include "ChartTickers.h"

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
QString TWorkingTimeTicker::getTickLabel(double Tick, const QLocale &, QChar, int)
{
    return FSource ? FSource(Tick) : QString();
}

QString WorkingTimeLabel(std::uint32_t Minutes)
{
    return QStringLiteral("%1:%2")
        .arg(Minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(Minutes % 60, 2, 10, QLatin1Char('0'));
}
