#include "TextFormat.h"

#include <QLocale>

namespace {

QString ArgText(const TFormatArg &Arg, int Decimals)
{
    if (const auto *number = std::get_if<long long>(&Arg))
        return Decimals < 0 ? QString::number(*number) : QLocale().toString(double(*number), 'f', Decimals);
    if (const auto *real = std::get_if<double>(&Arg))
        return Decimals < 0 ? QString::number(qRound64(*real)) : QLocale().toString(*real, 'f', Decimals);
    return std::get<QString>(Arg);
}

} // namespace

QString FormatText(const QString &Format, const std::vector<TFormatArg> &Args)
{
    QString out;
    out.reserve(Format.size() + 16);
    std::size_t next = 0;
    auto take = [&](int Decimals) {
        if (next < Args.size())
            out += ArgText(Args[next], Decimals);
        ++next;
    };
    for (qsizetype i = 0; i < Format.size(); ++i) {
        const QChar c = Format[i];
        if (c != QLatin1Char('%') || i + 1 >= Format.size()) {
            out += c;
            continue;
        }
        const QStringView rest = QStringView(Format).mid(i + 1);
        if (rest.startsWith(QLatin1Char('%'))) {
            out += QLatin1Char('%');
            i += 1;
        } else if (rest.startsWith(QLatin1Char('d')) || rest.startsWith(QLatin1Char('s'))) {
            take(-1);
            i += 1;
        } else if (rest.startsWith(QLatin1Char('f'))) {
            take(2);
            i += 1;
        } else if (rest.startsWith(QLatin1String(".3f"))) {
            take(3);
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}
