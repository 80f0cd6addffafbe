#include "MemoryComPort.h"

TMemoryComPort::TMemoryComPort() { SetRenotify(false); }

void TMemoryComPort::Receive(const QByteArray &Bytes)
{
    ReceiveBytes(reinterpret_cast<const std::uint8_t *>(Bytes.constData()), static_cast<std::size_t>(Bytes.size()));
}

void TMemoryComPort::NotifyWaiting()
{
    if (Open() && BytesWaiting() > 0 && OnTriggerAvail)
        OnTriggerAvail(BytesWaiting());
}

void TMemoryComPort::OpenDevice()
{
    if (!Failure.isEmpty()) {
        TOpenFailure failure = FailureReason;
        failure.Detail = Failure;
        throw TComPortError(failure);
    }
    ++OpenCount;
}
