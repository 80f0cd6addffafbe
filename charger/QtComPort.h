#pragma once

#include "ComPort.h"

class QSerialPort;

// The serial port over QSerialPort. COM numbers are mapped to devices by ComPortMap.
// When the device fails or disappears the port closes itself and notifies.
class TQtComPort final : public TComPort
{
public:
    TQtComPort();
    ~TQtComPort() override;

    QString DevicePath() const;

protected:
    void OpenDevice() override;
    void CloseDevice() override;
    void DiscardDeviceInput() override;

private:
    void ReadDevice();
    void DeviceError(int Error);

    QSerialPort *FSerial = nullptr; // owned through the QObject tree
};
