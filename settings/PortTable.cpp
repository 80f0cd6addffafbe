#include "PortTable.h"

#include "Registry.h"
#include "SettingsKeys.h"
#include "charger/ComPortMap.h"

namespace {

QString ValueName(int Number) { return QStringLiteral("COM%1").arg(Number); }

} // namespace

namespace PortTable {

QString ReadPortDevice(int Number)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::Ports))
        return {};
    return registry.ReadString(ValueName(Number)).value_or(QString());
}

bool WritePortDevice(int Number, const QString &DevicePath)
{
    TRegistry registry;
    if (!registry.OpenKey(SettingsKeys::Ports, true))
        return false;
    const bool written = registry.WriteString(ValueName(Number), DevicePath);
    return registry.CloseKey() && written;
}

bool RemovePortDevice(int Number)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::Ports))
        return true;
    if (!registry.OpenKey(SettingsKeys::Ports, true))
        return false;
    const bool removed = registry.DeleteValue(ValueName(Number));
    return registry.CloseKey() && removed;
}

void InstallPortLookup() { SetPortOverrideLookup(&ReadPortDevice); }

} // namespace PortTable
