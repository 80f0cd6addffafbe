#pragma once

#include <QString>

#include <variant>
#include <vector>

// Fills a string-table format: %d takes an integer, %s a text, %f a number with two
// decimals and %.3f one with three, both with the user's decimal separator; %% is a percent
// sign. Arguments are used in order; a missing one leaves its place empty.
using TFormatArg = std::variant<long long, double, QString>;
QString FormatText(const QString &Format, const std::vector<TFormatArg> &Args);
