#pragma once

#include <QString>

// The one place where the key paths of the settings store are written.
namespace SettingsKeys {

inline const QString Root = QStringLiteral("\\Software\\Korvane");
inline const QString AxisRange = QStringLiteral("\\Software\\Korvane\\AxisRange");
inline const QString LinePen = QStringLiteral("\\Software\\Korvane\\LinePen");
inline const QString OpenedList = QStringLiteral("\\Software\\Korvane\\OpenedList");
inline const QString Ports = QStringLiteral("\\Software\\Korvane\\Ports");

} // namespace SettingsKeys
