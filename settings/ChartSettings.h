#pragma once
// The chart settings in the settings store: value-axis ranges, line pens, the page width and
// the tray flag. Readers never create keys and fall back to the defaults; the one writer is
// the options dialog's OK. Every access opens one key and closes it before returning.
#include "charger/ValueToken.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QWidget;

// A colour as the store keeps it: 0x00BBGGRR.
using TStoredColor = std::uint32_t;

QColor FromStoredColor(TStoredColor Color);
TStoredColor ToStoredColor(const QColor &Color);

inline constexpr std::array<TStoredColor, 20> DefaultLineColors = {
    0x000000FF, 0x0000FF00, 0x00000080, 0x00FFFF00, 0x00808000, 0x00FF0000, 0x00808080,
    0x00FF00FF, 0x00008080, 0x00008000, 0x00800000, 0x00800080, 0x00C0C0C0, 0x00C0DCC0,
    0x0000FFFF, 0x00F0CAA6, 0x00A4A0A0, 0x00000000, 0x00F0FBFF, 0x00FFFFFF};

inline constexpr int SamplesPerMinute = 15;
inline constexpr int MinLineWidth = 1;
inline constexpr int MaxLineWidth = 10;
inline constexpr int DefaultPageMinutes = 10;
inline constexpr int LongestPageMinutes = 1440;

// An axis range in chart units (volts for the voltage axis).
struct TAxisRange {
    double Lower = 0;
    double Upper = 0;
};

struct TLinePen {
    TStoredColor Color = 0;
    int Width = 1;
};

// The range stored for axis AxisIndex of value kind Kind; each end defaults on its own, and
// a range that is empty or inverted gives the default range.
TAxisRange ReadAxisRange(int AxisIndex, TValueToken Kind);
TAxisRange DefaultAxisRange(TValueToken Kind);
// The pen stored for series SeriesIndex; the width only matters for line series.
TLinePen ReadLinePen(int SeriesIndex);
TStoredColor DefaultLineColor(int SeriesIndex);
// Samples per chart page: stored minutes x 15.
std::uint32_t ReadPageSamples();
bool LoadMinToTray();

// What the program does for a charge left alone; each is on unless the user turned it off.
struct TUnattendedOptions {
    bool NotifyChargeDone = true; // a desktop notice when a channel has finished charging
    bool KeepAwake = true;        // no sleep while a port is open and a channel charges
    bool Reconnect = true;        // reopen the port when the unplugged adapter comes back

    bool operator==(const TUnattendedOptions &) const = default;
};
TUnattendedOptions LoadUnattendedOptions();

std::uint32_t MinutesToSamples(std::uint32_t Minutes);
std::uint32_t SamplesToMinutes(std::uint32_t Samples);

// The stored integers for a chart range of Kind: rounded to four decimals first, then
// truncated to the storage unit (millivolts for the voltage axis).
qint32 AxisValueToStored(TValueToken Kind, double Value);
double StoredToAxisValue(TValueToken Kind, qint32 Stored);

// What the options dialog's OK writes, taken from the live chart and the dialog.
struct TChartSettingsValues {
    struct TAxis {
        TValueToken Kind = vtUnLoadVoltage;
        TAxisRange Range;
    };
    std::vector<TAxis> Axes;     // in axis order
    std::vector<TLinePen> Lines; // in series order
    double PageWidthMinutes = DefaultPageMinutes;
    bool MinToTray = false;
    TUnattendedOptions Unattended;
};

// Writes the axes, then the lines, then the page width, the tray flag and the unattended options. A failure shows the
// save warning owned by Owner once per page; a failing axes page stops the others. False
// when anything failed; what was written before stays written.
bool WriteChartSettings(const TChartSettingsValues &Values, QWidget *Owner);
