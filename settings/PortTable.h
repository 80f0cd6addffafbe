#pragma once

#include <QString>

#include <map>

// The Ports table: "COM%d" values holding a device path that overrides the fixed COM number
// ranges, so that a user can pin an adapter by its /dev/serial/by-id path and the simulator
// can offer its pseudo-terminal as a port.
namespace PortTable {

// The device path stored for COM Number, or empty when none is stored.
QString ReadPortDevice(int Number);
// Every device stored, by COM number, read at once.
std::map<int, QString> ReadPortDevices();
// False when the store could not be written.
bool WritePortDevice(int Number, const QString &DevicePath);
bool RemovePortDevice(int Number);
// Makes the charger link resolve COM numbers through this table.
void InstallPortLookup();

} // namespace PortTable
