#include "QtComPort.h"

#include "ComPortMap.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <cstring>
#endif

namespace {

QSerialPort::Parity ParityOf(char Parity)
{
    switch (Parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    default:
        return QSerialPort::NoParity;
    }
}

#ifdef Q_OS_UNIX
// The serial layer locks a device with a file named after it: "LCK.." and the path below
// /dev/ with its slashes turned into underscores.
bool LockNameFits(const QString &Device)
{
    QString name = Device.startsWith(QLatin1String("/dev/")) ? Device.mid(5) : Device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QFile::encodeName(QStringLiteral("LCK..") + name).size() <= NAME_MAX;
}
#endif

} // namespace

TQtComPort::TQtComPort() : FSerial(new QSerialPort(this))
{
    QObject::connect(FSerial, &QSerialPort::readyRead, this, [this] { ReadDevice(); });
    QObject::connect(FSerial, &QSerialPort::errorOccurred, this,
                     [this](QSerialPort::SerialPortError error) { DeviceError(error); });
}

TQtComPort::~TQtComPort()
{
    // Closing here raises no notification: the owner is going away.
    OnPortClose = nullptr;
    if (FSerial->isOpen())
        FSerial->close();
}

QString TQtComPort::DevicePath() const { return FSerial->portName(); }

void TQtComPort::OpenDevice()
{
    const QString path = ComPortDevicePath(ComNumber);
    if (path.isEmpty())
        throw TComPortError(
            TOpenFailure{ofNotFound, QString(), QString(), QStringLiteral("no device for this number")});
    QString device = path;
#ifdef Q_OS_UNIX
    // A link such as a by-id path is opened through the device it resolves to, so that the
    // lock file's name stays short; a path that does not resolve (an unplugged adapter's
    // link) is left to the serial layer, which finds it missing.
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (!resolved.isEmpty()) {
        device = resolved;
        if (!LockNameFits(device))
            throw TComPortError(
                TOpenFailure{ofOther, path, QString(), QString::fromLocal8Bit(std::strerror(ENAMETOOLONG))});
    }
#endif
    FSerial->setPortName(device);
    if (!FSerial->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = FSerial->error();
        TOpenFailure failure{ofOther, path, QString(), FSerial->errorString()};
        FSerial->clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            failure.Fault = ofNotFound;
        else if (error == QSerialPort::PermissionError || error == QSerialPort::OpenError)
            // The serial layer says "permission" for a device held by another program too.
            failure = ExplainOpenRefusal(path, failure.Detail);
        throw TComPortError(failure);
    }
    FSerial->setBaudRate(Line.Baud);
    FSerial->setDataBits(static_cast<QSerialPort::DataBits>(Line.DataBits));
    FSerial->setParity(ParityOf(Line.Parity));
    FSerial->setStopBits(Line.StopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    FSerial->setFlowControl(QSerialPort::NoFlowControl);
    // Modem lines are not there on every device (a pseudo-terminal has none).
    FSerial->setDataTerminalReady(true);
    FSerial->setRequestToSend(true);
    // A line just opened carries nothing from before.
    FSerial->clear(QSerialPort::Input);
    FSerial->clearError();
}

void TQtComPort::CloseDevice()
{
    if (FSerial->isOpen())
        FSerial->close();
    FSerial->clearError();
}

void TQtComPort::DiscardDeviceInput()
{
    if (FSerial->isOpen())
        FSerial->clear(QSerialPort::Input);
}

void TQtComPort::ReadDevice()
{
    const QByteArray bytes = FSerial->readAll();
    ReceiveBytes(reinterpret_cast<const std::uint8_t *>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
}

void TQtComPort::DeviceError(int Error)
{
    // An unplugged adapter reports ResourceError; a vanished pseudo-terminal reports
    // ReadError again and again until the port is closed.
    if (Error == QSerialPort::ResourceError || Error == QSerialPort::ReadError)
        DeviceLost();
}
