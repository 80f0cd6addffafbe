#include "NimhModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Charge that goes into the cell's store; the rest turns into heat.
constexpr double ChargeEfficiency = 0.9;

// Voltage under charge, in volts, against the state of charge f: a discharged cell starts
// near 1.25 V, polarisation lifts it within minutes onto a gently rising plateau, a steep
// rise comes near full, and once the cell is full the extra charge heats it and the
// voltage turns down.
constexpr double StartVoltage = 1.25;
constexpr double Polarisation = 0.11;
constexpr double PolarisationSeconds = 180;
constexpr double PlateauSlope = 0.05;
constexpr double LateRise = 0.05;
constexpr double LateRisePower = 8;
constexpr double OverchargeBend = 30;
constexpr double VoltsPerAmpere = 0.01;

// The charge ends when the voltage has dropped this far below its peak.
constexpr int StopDropMv = 8;

// Internal resistance seen between the unloaded and the loaded reading.
constexpr double InternalOhms = 0.03;

constexpr double RoomTemperature = 25;
constexpr double OverchargeWarming = 6;

constexpr double FullRestVoltage = 1.39;
constexpr double RestSeconds = 900;

// Sub-steps keep the voltage drop resolved whatever the clock's scale.
constexpr double LongestStep = 1;

std::uint16_t Millivolts(double Volts) { return static_cast<std::uint16_t>(std::lround(Volts * 1000)); }

} // namespace

TNimhSlot TNimhSlot::Charging(double CapacityMah, double CurrentMa, double InitialFill)
{
    TNimhSlot slot;
    slot.FPhase = TPhase::Charging;
    slot.FCapacity = CapacityMah;
    slot.FCurrent = CurrentMa;
    slot.FInitialFill = InitialFill;
    slot.FRestVoltage = FullRestVoltage;
    slot.FVoltage = slot.ChargeVoltage();
    slot.FTemperature = slot.ChargeTemperature();
    slot.FPeakMv = Millivolts(slot.FVoltage);
    return slot;
}

TNimhSlot TNimhSlot::Idle(std::uint16_t VoltageMv, std::uint16_t WorkingTimeMin, std::uint16_t CapacityMah)
{
    TNimhSlot slot;
    slot.FPhase = TPhase::Resting;
    slot.FCharged = CapacityMah;
    slot.FChargeTime = WorkingTimeMin * 60.0;
    slot.FVoltage = slot.FStopVoltage = slot.FRestVoltage = VoltageMv / 1000.0;
    slot.FTemperature = slot.FStopTemperature = RoomTemperature;
    return slot;
}

void TNimhSlot::Advance(double Seconds)
{
    while (Seconds > 0) {
        const double step = std::min(Seconds, LongestStep);
        Seconds -= step;
        if (FPhase == TPhase::Charging)
            Charge(step);
        else if (FPhase == TPhase::Resting)
            Rest(step);
    }
}

void TNimhSlot::Charge(double Seconds)
{
    FCharged += FCurrent * Seconds / 3600;
    FChargeTime += Seconds;
    FVoltage = ChargeVoltage();
    FTemperature = ChargeTemperature();
    const int millivolts = Millivolts(FVoltage);
    FPeakMv = std::max(FPeakMv, millivolts);
    if (millivolts <= FPeakMv - StopDropMv) {
        FPhase = TPhase::Resting;
        FStopVoltage = FVoltage;
        FStopTemperature = FTemperature;
        FRestTime = 0;
    }
}

void TNimhSlot::Rest(double Seconds)
{
    FRestTime += Seconds;
    const double left = std::exp(-FRestTime / RestSeconds);
    FVoltage = FRestVoltage + (FStopVoltage - FRestVoltage) * left;
    FTemperature = RoomTemperature + (FStopTemperature - RoomTemperature) * left;
}

double TNimhSlot::Fill() const { return FInitialFill + FCharged * ChargeEfficiency / FCapacity; }

double TNimhSlot::ChargeVoltage() const
{
    const double fill = Fill();
    const double stored = std::min(fill, 1.0);
    const double over = std::max(fill - 1, 0.0);
    // Past full the curve leaves with the slope it had at full, then bends down.
    const double slopeAtFull = PlateauSlope + LateRisePower * LateRise;
    return StartVoltage + Polarisation * (1 - std::exp(-FChargeTime / PolarisationSeconds)) + PlateauSlope * stored +
           LateRise * std::pow(stored, LateRisePower) + slopeAtFull * over - OverchargeBend * over * over +
           VoltsPerAmpere * FCurrent / 1000;
}

double TNimhSlot::ChargeTemperature() const
{
    return RoomTemperature + OverchargeWarming * std::clamp((Fill() - 0.9) / 0.15, 0.0, 1.0);
}

TFrameWords TNimhSlot::Reading() const
{
    TFrameWords words;
    if (FPhase == TPhase::Empty)
        return words;
    const bool charging = FPhase == TPhase::Charging;
    words.UnLoadVoltage = Millivolts(FVoltage);
    words.LoadVoltage = Millivolts(FVoltage + (charging ? InternalOhms * FCurrent / 1000 : 0));
    words.Current = charging ? static_cast<std::uint16_t>(std::lround(FCurrent)) : 0;
    words.Temperature = static_cast<std::uint16_t>(std::lround(FTemperature));
    words.WorkingTime = static_cast<std::uint16_t>(FChargeTime / 60);
    words.Capacity = static_cast<std::uint16_t>(FCharged);
    return words;
}

TNimhModel::TNimhModel()
    : FSlots{TNimhSlot::Charging(2000, 1000, 0.20), TNimhSlot::Charging(2500, 1200, 0.05),
             TNimhSlot::Idle(1380, 51, 850), TNimhSlot()}
{}

void TNimhModel::Advance(double Seconds)
{
    for (TNimhSlot &slot : FSlots)
        slot.Advance(Seconds);
}
