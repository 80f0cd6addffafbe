#pragma once

#include "ComPort.h"

#include <QString>

#include <functional>
#include <map>
#include <vector>

// COM numbers keep their meaning as small numbers in the user interface and the settings.
// On Linux fixed ranges keep a device's number whatever else is plugged in:
// COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31,
// COM97-128 /dev/ttyAMA0-31. An override (the settings store's Ports table) wins for any
// number from 1 to 256.
inline constexpr int HighestComNumber = 256;

using TPortOverrideLookup = std::function<QString(int Number)>;
// The whole override table at once, number to device.
using TPortOverrideTable = std::function<std::map<int, QString>()>;

// Installed once at start-up; without one only the fixed ranges apply. With a Table, listing
// every number reads the table once; without one a listing asks Lookup number by number.
void SetPortOverrideLookup(TPortOverrideLookup Lookup, TPortOverrideTable Table = {});

// The device that COM Number opens, or empty when the number names none.
QString ComPortDevicePath(int Number);
// The adapter's name where the system knows it, else empty.
QString ComPortDescription(int Number);
// The port can be used, or exists but is busy or refused to us.
bool IsPortAvailable(int Number);

// Why the device at Path, which the serial layer refused to open, is refused: missing, not
// ours to open (with the group that may), or held by another program. Detail is kept for a
// refusal of no known kind.
TOpenFailure ExplainOpenRefusal(const QString &Path, const QString &Detail);

// The devices of COM 1 to HighestComNumber and the system's serial adapters, taken once, for
// a listing that asks several things of every number. Later changes are not seen.
class TComPortSnapshot
{
public:
    TComPortSnapshot();

    QString DevicePath(int Number) const;
    QString Description(int Number) const;
    bool IsAvailable(int Number) const;

private:
    struct TAdapter {
        QString Location;
        QString Name;
    };

    std::vector<QString> FPaths;
    std::vector<TAdapter> FAdapters;
};
