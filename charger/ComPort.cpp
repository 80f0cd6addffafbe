#include "ComPort.h"

#include <QMetaObject>

TComPort::TComPort() = default;
TComPort::~TComPort() = default;

void TComPort::SetOpen(bool Value)
{
    if (Value == FOpen)
        return;
    if (Value) {
        OpenDevice();
        FOpen = true;
        FDeviceLost = false;
        FBuffer.Clear();
        FScanner.Restart();
        if (OnPortOpen)
            OnPortOpen();
    } else {
        Shut(false);
    }
}

void TComPort::Shut(bool Lost)
{
    CloseDevice();
    FOpen = false;
    FDeviceLost = Lost;
    FBuffer.Clear();
    // Triggers belong to the connection that registered them.
    FScanner.RemoveAll();
    if (OnPortClose)
        OnPortClose();
}

std::uint16_t TComPort::BytesWaiting() const { return FOpen ? static_cast<std::uint16_t>(FBuffer.Size()) : 0; }

std::uint8_t TComPort::ReadByte()
{
    if (FBuffer.Size() == 0)
        return 0;
    ++FBytesTaken;
    return FBuffer.Take();
}

void TComPort::FlushInput()
{
    FBuffer.Clear();
    if (FOpen)
        DiscardDeviceInput();
}

std::uint16_t TComPort::AddPatternTrigger(TPattern Pattern) { return FScanner.Add(Pattern); }

void TComPort::RemovePatternTrigger(std::uint16_t Handle)
{
    if (FOpen)
        FScanner.Remove(Handle);
}

void TComPort::ReceiveBytes(const std::uint8_t *Data, std::size_t Size)
{
    if (!FOpen || Size == 0)
        return;
    FBuffer.Append(Data, Size);
    FMatches.clear();
    FScanner.Scan(Data, Size, FMatches);
    if (!FMatches.empty()) {
        // A handler may flush, remove triggers or close; later matches see that.
        const std::vector<std::uint16_t> matches = FMatches;
        for (std::uint16_t handle : matches) {
            if (!FOpen)
                return;
            if (FScanner.Contains(handle) && OnTriggerData)
                OnTriggerData(handle);
        }
    }
    NotifyBytesWaiting();
}

void TComPort::NotifyBytesWaiting()
{
    if (!FOpen || FBuffer.Size() == 0)
        return;
    const std::uint64_t takenBefore = FBytesTaken;
    if (OnTriggerAvail)
        OnTriggerAvail(static_cast<std::uint16_t>(FBuffer.Size()));
    if (FRenotify && FOpen && FBuffer.Size() > 0 && FBytesTaken != takenBefore)
        ScheduleRenotify();
}

void TComPort::ScheduleRenotify()
{
    if (FRenotifyQueued)
        return;
    FRenotifyQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FRenotifyQueued = false;
            NotifyBytesWaiting();
        },
        Qt::QueuedConnection);
}

void TComPort::DeviceLost()
{
    if (FOpen)
        Shut(true);
}
