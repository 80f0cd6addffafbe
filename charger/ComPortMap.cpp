#include "ComPortMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <array>
#include <mutex>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

std::mutex LookupLock;
TPortOverrideLookup &OverrideLookup()
{
    static TPortOverrideLookup lookup;
    return lookup;
}
TPortOverrideTable &OverrideTable()
{
    static TPortOverrideTable table;
    return table;
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

// A relative entry of the override table names a device under /dev/, as the serial layer
// itself reads a bare port name; the working directory plays no part.
QString OverrideDevice(const QString &Entry)
{
#ifdef Q_OS_WIN
    return Entry;
#else
    if (Entry.isEmpty() || QDir::isAbsolutePath(Entry))
        return Entry;
    return QDir::cleanPath(QStringLiteral("/dev/") + Entry);
#endif
}

QString AdapterName(const QSerialPortInfo &Info)
{
    QString name = Info.description();
    if (!Info.manufacturer().isEmpty() && !name.contains(Info.manufacturer()))
        name = name.isEmpty() ? Info.manufacturer() : Info.manufacturer() + QLatin1Char(' ') + name;
    return name;
}

bool IsDeviceAvailable(const QString &Path)
{
    if (Path.isEmpty())
        return false;
#ifndef Q_OS_WIN
    if (!QFileInfo::exists(Path))
        return false;
#endif
#ifdef Q_OS_UNIX
    // The terminal itself answers, without the serial layer's lock file, which costs a disk
    // flush per port: a dialog lists hundreds of numbers.
    const int fd = ::open(QFile::encodeName(Path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Busy (held exclusively by another program, or by us) or refused: the port exists.
        return errno == EBUSY || errno == EACCES || errno == EPERM;
    }
    termios settings{};
    const bool terminal = ::tcgetattr(fd, &settings) == 0;
    ::close(fd);
    return terminal;
#else
    QSerialPort port;
    port.setPortName(Path);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return true;
    }
    // Busy (held by another program, or by us) or refused: the port exists.
    return port.error() == QSerialPort::PermissionError;
#endif
}

} // namespace

void SetPortOverrideLookup(TPortOverrideLookup Lookup, TPortOverrideTable Table)
{
    std::lock_guard lock(LookupLock);
    OverrideLookup() = std::move(Lookup);
    OverrideTable() = std::move(Table);
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
        const QString path = OverrideDevice(lookup(Number));
        if (!path.isEmpty())
            return path;
    }
    return FixedDevicePath(Number);
}

QString ComPortDescription(int Number) { return TComPortSnapshot().Description(Number); }

bool IsPortAvailable(int Number) { return IsDeviceAvailable(ComPortDevicePath(Number)); }

TOpenFailure ExplainOpenRefusal(const QString &Path, const QString &Detail)
{
    TOpenFailure failure{ofOther, Path, QString(), Detail};
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(Path);
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        // The device opens but the serial layer would not: its lock is held by another program.
        ::close(fd);
        failure.Fault = ofBusy;
        return failure;
    }
    const int reason = errno;
    switch (reason) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        failure.Fault = ofNotFound;
        break;
    case EACCES:
    case EPERM: {
        failure.Fault = ofAccessDenied;
        struct stat status {
        };
        if (::stat(name.constData(), &status) == 0) {
            if (const group *owner = ::getgrgid(status.st_gid))
                failure.DeviceGroup = QString::fromLocal8Bit(owner->gr_name);
        }
        break;
    }
    case EBUSY:
        failure.Fault = ofBusy;
        break;
    default:
        failure.Detail = QString::fromLocal8Bit(std::strerror(reason));
        break;
    }
#else
    // Windows refuses a port that another program holds with "access denied".
    failure.Fault = ofBusy;
#endif
    return failure;
}

TComPortSnapshot::TComPortSnapshot() : FPaths(HighestComNumber + 1)
{
    TPortOverrideLookup lookup;
    TPortOverrideTable table;
    {
        std::lock_guard lock(LookupLock);
        lookup = OverrideLookup();
        table = OverrideTable();
    }
    const std::map<int, QString> overrides = table ? table() : std::map<int, QString>();
    for (int number = 1; number <= HighestComNumber; ++number) {
        QString path;
        if (table) {
            const auto found = overrides.find(number);
            path = found == overrides.end() ? QString() : found->second;
        } else if (lookup) {
            path = lookup(number);
        }
        FPaths[static_cast<std::size_t>(number)] = path.isEmpty() ? FixedDevicePath(number) : OverrideDevice(path);
    }
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        FAdapters.push_back({info.systemLocation(), AdapterName(info)});
}

QString TComPortSnapshot::DevicePath(int Number) const
{
    if (Number < 1 || Number > HighestComNumber)
        return {};
    return FPaths[static_cast<std::size_t>(Number)];
}

QString TComPortSnapshot::Description(int Number) const
{
    const QString path = DevicePath(Number);
    if (path.isEmpty())
        return {};
    // The device itself or, for a link such as /dev/serial/by-id/..., what it points at.
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const TAdapter &adapter : FAdapters)
        if (adapter.Location == path || (!target.isEmpty() && adapter.Location == target))
            return adapter.Name;
    return {};
}

bool TComPortSnapshot::IsAvailable(int Number) const { return IsDeviceAvailable(DevicePath(Number)); }
