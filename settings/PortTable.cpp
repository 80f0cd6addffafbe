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

std::map<int, QString> ReadPortDevices()
{
    std::map<int, QString> devices;
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::Ports))
        return devices;
    for (const QString &name : registry.GetValueNames()) {
        bool ok = false;
        const int number = name.startsWith(QLatin1String("COM")) ? name.mid(3).toInt(&ok) : 0;
        // Only the names ReadPortDevice would ask for: "COM7", not "COM07".
        if (ok && name == ValueName(number))
            devices[number] = registry.ReadString(name).value_or(QString());
    }
    return devices;
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

void InstallPortLookup() { SetPortOverrideLookup(&ReadPortDevice, &ReadPortDevices); }

} // namespace PortTable
