#pragma once

#include <QString>

#include <functional>

// COM numbers keep their meaning as small numbers in the user interface and the settings.
// On Linux fixed ranges keep a device's number whatever else is plugged in:
// COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31,
// COM97-128 /dev/ttyAMA0-31. An override (the settings store's Ports table) wins for any
// number from 1 to 256.
inline constexpr int HighestComNumber = 256;

using TPortOverrideLookup = std::function<QString(int Number)>;

// Installed once at start-up; without one only the fixed ranges apply.
void SetPortOverrideLookup(TPortOverrideLookup Lookup);

// The device that COM Number opens, or empty when the number names none.
QString ComPortDevicePath(int Number);
// The adapter's name where the system knows it, else empty.
QString ComPortDescription(int Number);
// The port can be used, or exists but is busy or refused to us.
bool IsPortAvailable(int Number);
