#include "ComPortMap.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <array>
#include <mutex>

namespace {

std::mutex LookupLock;
TPortOverrideLookup &OverrideLookup()
{
    static TPortOverrideLookup lookup;
    return lookup;
}

QString FixedDevicePath(int Number)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(Number);
#else
    static const std::array<const char *, 4> ranges = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyAMA"};
    const int range = (Number - 1) / 32;
    if (range < 0 || range >= static_cast<int>(ranges.size()))
        return {};
    return QString::fromLatin1(ranges[static_cast<std::size_t>(range)]) + QString::number((Number - 1) % 32);
#endif
}

} // namespace

void SetPortOverrideLookup(TPortOverrideLookup Lookup)
{
    std::lock_guard lock(LookupLock);
    OverrideLookup() = std::move(Lookup);
}

QString ComPortDevicePath(int Number)
{
    if (Number < 1 || Number > HighestComNumber)
        return {};
    TPortOverrideLookup lookup;
    {
        std::lock_guard lock(LookupLock);
        lookup = OverrideLookup();
    }
    if (lookup) {
        const QString path = lookup(Number);
        if (!path.isEmpty())
            return path;
    }
    return FixedDevicePath(Number);
}

QString ComPortDescription(int Number)
{
    const QString path = ComPortDevicePath(Number);
    if (path.isEmpty())
        return {};
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() == path || (!target.isEmpty() && info.systemLocation() == target)) {
            QString name = info.description();
            if (!info.manufacturer().isEmpty() && !name.contains(info.manufacturer()))
                name = name.isEmpty() ? info.manufacturer() : info.manufacturer() + QLatin1Char(' ') + name;
            return name;
        }
    }
    return {};
}

bool IsPortAvailable(int Number)
{
    const QString path = ComPortDevicePath(Number);
    if (path.isEmpty())
        return false;
#ifndef Q_OS_WIN
    if (!QFileInfo::exists(path))
        return false;
#endif
    QSerialPort port;
    port.setPortName(path);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return true;
    }
    // Busy (held by another program, or by us) or refused: the port exists.
    return port.error() == QSerialPort::PermissionError;
}
