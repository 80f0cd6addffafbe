#include "ChannelFrame.h"

#include "charger/KRVCharger.h"

#include <QDateTime>

TRecordedFrame RecordedFrame(const TKRVChannel &Channel, std::int32_t Flag)
{
    TRecordedFrame frame;
    frame.WallMs = QDateTime::currentMSecsSinceEpoch();
    frame.Step = Channel.GetCharger()->SampleCount();
    frame.MilliVolts = Channel.GetValue(vtUnLoadVoltage);
    frame.MilliAmps = Channel.GetValue(vtCurrent);
    frame.Minutes = Channel.GetValue(vtWorkingTime);
    frame.MilliAmpHours = Channel.GetValue(vtCapacity);
    frame.Temperature = Channel.GetValue(vtTemperature);
    frame.Channel = static_cast<std::uint8_t>(Channel.Index());
    frame.State = static_cast<std::uint8_t>(Channel.State);
    frame.Flag = static_cast<std::uint8_t>(Flag);
    return frame;
}
