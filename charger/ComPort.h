#pragma once

#include "PatternScanner.h"
#include "ReceiveBuffer.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// Raised when a port cannot be opened (absent, busy, refused).
class TComPortError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
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
    void NotifyBytesWaiting();
    void ScheduleRenotify();

    bool FOpen = false;
    bool FRenotify = true;
    bool FRenotifyQueued = false;
    std::uint64_t FBytesTaken = 0;
    TReceiveBuffer FBuffer;
    TPatternScanner FScanner;
    std::vector<std::uint16_t> FMatches;
};
