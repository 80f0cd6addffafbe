#include "ChartSettings.h"

#include "Constant.h"
#include "Registry.h"
#include "SettingsKeys.h"
#include "resources/Texts.h"

#include <cmath>
#include <optional>

namespace {

const QString PageWidthName = QStringLiteral("PageWidth");
const QString MinToTrayName = QStringLiteral("MinToTray");
const QString NotifyChargeDoneName = QStringLiteral("NotifyChargeDone");
const QString KeepAwakeName = QStringLiteral("KeepAwake");
const QString ReconnectName = QStringLiteral("Reconnect");

QString AxisValueName(int AxisIndex, const char *End) { return QStringLiteral("Axis_%1_%2").arg(AxisIndex).arg(End); }
QString LineValueName(int SeriesIndex, const char *What)
{
    return QStringLiteral("Line_%1_%2").arg(SeriesIndex).arg(What);
}

std::optional<qint32> ReadStoredInteger(const QString &Key, const QString &Name)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(Key))
        return std::nullopt;
    return registry.ReadInteger(Name);
}

// Fixed point with four decimals, as the store's conversions go through it.
constexpr qint64 FixedScale = 10000;

void WarnSaveFailed(QWidget *Owner)
{
    ShowWarning(Owner, LoadStr(TTextId::SaveOptionsFailed), LoadStr(TTextId::AppTitle));
}

} // namespace

TAxisRange DefaultAxisRange(TValueToken Kind)
{
    switch (Kind) {
    case vtUnLoadVoltage:
        return {StoredToAxisValue(Kind, 1000), StoredToAxisValue(Kind, 1800)};
    case vtCurrent:
        return {0, 1600};
    case vtCapacity:
        return {0, 3200};
    default:
        return {0, 0};
    }
}

double StoredToAxisValue(TValueToken Kind, qint32 Stored)
{
    const qint64 fixed = static_cast<qint64>(Stored) * FixedScale;
    if (Kind == vtUnLoadVoltage)
        return static_cast<double>(fixed) / 1000 / FixedScale;
    return static_cast<double>(fixed) / FixedScale;
}

qint32 AxisValueToStored(TValueToken Kind, double Value)
{
    // Ties go to even, as the rounding of the default floating-point mode does.
    const qint64 fixed = std::llrint(Value * FixedScale);
    if (Kind == vtUnLoadVoltage)
        return static_cast<qint32>(fixed * 1000 / FixedScale);
    return static_cast<qint32>(fixed / FixedScale);
}

TAxisRange ReadAxisRange(int AxisIndex, TValueToken Kind)
{
    TAxisRange range = DefaultAxisRange(Kind);
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::AxisRange))
        return range;
    if (const std::optional<qint32> lower = registry.ReadInteger(AxisValueName(AxisIndex, "Min")))
        range.Lower = StoredToAxisValue(Kind, *lower);
    if (const std::optional<qint32> upper = registry.ReadInteger(AxisValueName(AxisIndex, "Max")))
        range.Upper = StoredToAxisValue(Kind, *upper);
    // An axis without a span cannot be drawn, and an inverted one is no setting the dialog makes.
    if (!(range.Lower < range.Upper))
        return DefaultAxisRange(Kind);
    return range;
}

QColor FromStoredColor(TStoredColor Color)
{
    return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

TStoredColor ToStoredColor(const QColor &Color)
{
    const QColor rgb = Color.toRgb();
    return static_cast<TStoredColor>(rgb.red()) | static_cast<TStoredColor>(rgb.green()) << 8 |
           static_cast<TStoredColor>(rgb.blue()) << 16;
}

TStoredColor DefaultLineColor(int SeriesIndex)
{
    // Beyond the table (more than five channels) the colours repeat.
    return DefaultLineColors[static_cast<std::size_t>(SeriesIndex) % DefaultLineColors.size()];
}

TLinePen ReadLinePen(int SeriesIndex)
{
    TLinePen pen{DefaultLineColor(SeriesIndex), 1};
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::LinePen))
        return pen;
    if (const std::optional<qint32> color = registry.ReadInteger(LineValueName(SeriesIndex, "Color")))
        pen.Color = static_cast<TStoredColor>(*color);
    // Only a width the options dialog offers: a huge pen would stall every repaint.
    if (const std::optional<qint32> width = registry.ReadInteger(LineValueName(SeriesIndex, "Width"));
        width && *width >= MinLineWidth && *width <= MaxLineWidth)
        pen.Width = *width;
    return pen;
}

std::uint32_t MinutesToSamples(std::uint32_t Minutes) { return Minutes * SamplesPerMinute; }
std::uint32_t SamplesToMinutes(std::uint32_t Samples) { return Samples / SamplesPerMinute; }

std::uint32_t ReadPageSamples()
{
    std::optional<qint32> minutes = ReadStoredInteger(SettingsKeys::Root, PageWidthName);
    // A width the options dialog would not accept cannot lay out the scroll bar.
    if (!minutes || *minutes <= 0)
        minutes = DefaultPageMinutes;
    else if (*minutes > LongestPageMinutes)
        minutes = LongestPageMinutes;
    return MinutesToSamples(static_cast<std::uint32_t>(*minutes));
}

bool LoadMinToTray() { return ReadStoredInteger(SettingsKeys::Root, MinToTrayName).value_or(0) != 0; }

TUnattendedOptions LoadUnattendedOptions()
{
    const auto on = [](const QString &Name) { return ReadStoredInteger(SettingsKeys::Root, Name).value_or(1) != 0; };
    return {on(NotifyChargeDoneName), on(KeepAwakeName), on(ReconnectName)};
}

bool WriteChartSettings(const TChartSettingsValues &Values, QWidget *Owner)
{
    bool stop = false;
    {
        TRegistry registry;
        bool ok = registry.OpenKey(SettingsKeys::AxisRange, true);
        for (std::size_t p = 0; ok && p < Values.Axes.size(); ++p) {
            const TChartSettingsValues::TAxis &axis = Values.Axes[p];
            const int index = static_cast<int>(p);
            ok = registry.WriteInteger(AxisValueName(index, "Min"), AxisValueToStored(axis.Kind, axis.Range.Lower)) &&
                 registry.WriteInteger(AxisValueName(index, "Max"), AxisValueToStored(axis.Kind, axis.Range.Upper));
        }
        ok = registry.CloseKey() && ok;
        if (!ok) {
            WarnSaveFailed(Owner);
            stop = true;
        }
    }
    if (stop)
        return false;

    bool allWritten = true;
    {
        TRegistry registry;
        bool ok = registry.OpenKey(SettingsKeys::LinePen, true);
        for (std::size_t p = 0; ok && p < Values.Lines.size(); ++p) {
            const int index = static_cast<int>(p);
            ok = registry.WriteInteger(LineValueName(index, "Color"), static_cast<qint32>(Values.Lines[p].Color)) &&
                 registry.WriteInteger(LineValueName(index, "Width"), Values.Lines[p].Width);
        }
        ok = registry.CloseKey() && ok;
        if (!ok) {
            // The lines page does not stop the miscellaneous page.
            WarnSaveFailed(Owner);
            allWritten = false;
        }
    }

    TRegistry registry;
    bool ok = registry.OpenKey(SettingsKeys::Root, true) &&
              registry.WriteInteger(PageWidthName, static_cast<qint32>(std::trunc(Values.PageWidthMinutes))) &&
              registry.WriteBool(MinToTrayName, Values.MinToTray) &&
              registry.WriteBool(NotifyChargeDoneName, Values.Unattended.NotifyChargeDone) &&
              registry.WriteBool(KeepAwakeName, Values.Unattended.KeepAwake) &&
              registry.WriteBool(ReconnectName, Values.Unattended.Reconnect);
    ok = registry.CloseKey() && ok;
    if (!ok) {
        WarnSaveFailed(Owner);
        allWritten = false;
    }
    return allWritten;
}
