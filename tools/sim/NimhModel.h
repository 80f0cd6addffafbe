#pragma once

#include "FrameEncoder.h"

#include <array>
#include <cstdint>

// One charger slot and the NiMH cell in it, on the model's clock (seconds). A charging cell
// takes a constant current until the voltage has passed its peak by a few millivolts, then
// the slot stops and the cell relaxes; working time and capacity stay as the charge left them.
// A default slot is empty and reads all zeros.
class TNimhSlot
{
public:
    TNimhSlot() = default;
    // A cell of CapacityMah that starts charging at CurrentMa from the state of charge
    // InitialFill (0 to 1).
    static TNimhSlot Charging(double CapacityMah, double CurrentMa, double InitialFill);
    // A charged cell resting in the slot since its last charge.
    static TNimhSlot Idle(std::uint16_t VoltageMv, std::uint16_t WorkingTimeMin, std::uint16_t CapacityMah);

    void Advance(double Seconds);
    bool IsCharging() const { return FPhase == TPhase::Charging; }
    TFrameWords Reading() const;

private:
    enum class TPhase { Empty, Charging, Resting };

    void Charge(double Seconds);
    void Rest(double Seconds);
    // State of charge; above 1 once the cell is full.
    double Fill() const;
    double ChargeVoltage() const;
    double ChargeTemperature() const;

    TPhase FPhase = TPhase::Empty;
    double FCapacity = 0;    // nominal, mAh
    double FCurrent = 0;     // mA while charging
    double FInitialFill = 0; // state of charge when the charge began
    double FCharged = 0;     // mAh put in
    double FChargeTime = 0;  // seconds of charging
    double FVoltage = 0;     // V, unloaded
    double FTemperature = 0; // degrees
    int FPeakMv = 0;         // highest voltage of this charge
    double FStopVoltage = 0; // where resting began
    double FStopTemperature = 0;
    double FRestVoltage = 0; // where resting ends up
    double FRestTime = 0;
};

// The four slots of the charger: a 2000 mAh cell at 1000 mA, a 2500 mAh cell at 1200 mA
// that finishes later, a charged cell at rest, and an empty slot.
class TNimhModel
{
public:
    TNimhModel();

    void Advance(double Seconds);
    bool IsCharging(int Slot) const { return FSlots[Slot].IsCharging(); }
    TFrameWords Reading(int Slot) const { return FSlots[Slot].Reading(); }

private:
    std::array<TNimhSlot, Wire::ChannelCount> FSlots;
};
