#pragma once

#include "ComPort.h"

#include <QByteArray>

// A port whose bytes come from code: tests feed it exactly the bytes they mean to be
// waiting. Opening fails while Failure is set. No re-notification unless switched on.
class TMemoryComPort final : public TComPort
{
public:
    TMemoryComPort();

    // Delivers bytes as if they had just been received in one chunk.
    void Receive(const QByteArray &Bytes);
    // Raises the bytes-waiting notification again without new bytes.
    void NotifyWaiting();
    // Simulates the device vanishing.
    void Unplug() { DeviceLost(); }

    QString Failure; // when not empty, opening raises TComPortError with this text
    TOpenFailure FailureReason{ofOther, QStringLiteral("memory"), QString(), QString()}; // Failure is its detail
    int OpenCount = 0;
    int FlushCount = 0;

protected:
    void OpenDevice() override;
    void CloseDevice() override {}
    void DiscardDeviceInput() override { ++FlushCount; }
};
