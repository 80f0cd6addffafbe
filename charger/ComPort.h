#pragma once

#include "PatternScanner.h"
#include "ReceiveBuffer.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// Why a port would not open, as the system tells it.
enum class TOpenFault : std::uint8_t {
    ofNone,
    ofNotFound,     // no such device, or it has been unplugged
    ofAccessDenied, // the user may not open it
    ofBusy,         // another program holds it
    ofOther,
};

using enum TOpenFault;

struct TOpenFailure {
    TOpenFault Fault = ofNone;
    QString Device;      // the device tried, empty when the number names none
    QString DeviceGroup; // the group that may open the device, where the system has one
    QString Detail;      // the system's own words, for a fault of no known kind
};

// Raised when a port cannot be opened (absent, busy, refused).
class TComPortError : public std::runtime_error
{
public:
    explicit TComPortError(TOpenFailure Failure)
        : std::runtime_error(Failure.Detail.toStdString()), FFailure(std::move(Failure))
    {}
    const TOpenFailure &Failure() const { return FFailure; }

private:
    TOpenFailure FFailure;
};

struct TLineSettings {
    std::int32_t Baud = 9600;
    char Parity = 'N';
    int DataBits = 8;
    int StopBits = 1;
};

// The serial port as the charger link relies on it: open and close with notifications,
// bytes waiting, read one byte, flush, two-byte pattern triggers and the bytes-waiting
// notification. Everything happens on the thread that owns the port (the GUI thread).
// Subclasses open the actual device and hand received bytes to ReceiveBytes.
class TComPort : public QObject
{
public:
    TComPort();
    ~TComPort() override;

    std::function<void()> OnPortOpen;
    std::function<void()> OnPortClose;
    std::function<void(std::uint16_t Count)> OnTriggerAvail;
    std::function<void(std::uint16_t Handle)> OnTriggerData;

    bool AutoOpen = false;
    std::uint16_t ComNumber = 0;
    TLineSettings Line;

    // Opening raises TComPortError on failure and stays closed; on success OnPortOpen runs
    // before returning. Closing raises OnPortClose when the port was open.
    void SetOpen(bool Value);
    bool Open() const { return FOpen; }
    // The last close came from the device failing or vanishing, not from a caller.
    bool DeviceWasLost() const { return FDeviceLost; }

    std::uint16_t BytesWaiting() const;
    std::uint8_t ReadByte();
    void FlushInput();
    std::uint16_t AddPatternTrigger(TPattern Pattern);
    // Acts only while the port is open.
    void RemovePatternTrigger(std::uint16_t Handle);

    // While bytes stay waiting after a notification whose handler took some, the
    // notification is raised again through the event queue, so that frames that arrived
    // together are all decoded without waiting for new bytes.
    void SetRenotify(bool Value) { FRenotify = Value; }

protected:
    virtual void OpenDevice() = 0; // raises TComPortError
    virtual void CloseDevice() = 0;
    virtual void DiscardDeviceInput() {}

    // Received bytes: buffered, scanned for patterns (one notification per match, in
    // stream order), then the bytes-waiting notification.
    void ReceiveBytes(const std::uint8_t *Data, std::size_t Size);
    // The device failed or vanished: close and notify.
    void DeviceLost();

private:
    void Shut(bool Lost);
    void NotifyBytesWaiting();
    void ScheduleRenotify();

    bool FOpen = false;
    bool FDeviceLost = false;
    bool FRenotify = true;
    bool FRenotifyQueued = false;
    std::uint64_t FBytesTaken = 0;
    TReceiveBuffer FBuffer;
    TPatternScanner FScanner;
    std::vector<std::uint16_t> FMatches;
};
