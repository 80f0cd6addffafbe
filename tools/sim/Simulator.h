#pragma once

#include "FaultInjector.h"
#include "NimhModel.h"
#include "SimOptions.h"
#include "SimOutput.h"

#include <QTextStream>

#include <chrono>
#include <cstdint>

// Paces the frames of the four slots onto the line as the charger does: one frame a
// second in turn, or four back to back every four seconds. The model's clock follows the
// charger's pace (scaled), also while nobody listens.
class TSimulator
{
public:
    TSimulator(const TSimOptions &Options, TSimOutput &Output, QTextStream &Log);

    // Runs until a limit is reached or an exit is requested; false when the line failed.
    bool Run();
    qint64 FramesWritten() const { return FFramesWritten; }

private:
    using TClock = std::chrono::steady_clock;

    // Seconds of the charger's own pace from this slot to the next.
    double SlotSeconds(int Channel) const;
    // The fast mode keeps the real gaps until the monitor has timed its first headers.
    bool AtRealPace() const;
    void SendSlot(int Channel);
    bool LimitReached() const;
    // Sleeps until Deadline in short steps, so that an exit request is seen at once.
    void WaitUntil(TClock::time_point Deadline) const;

    const TSimOptions &FOptions;
    TSimOutput &FOutput;
    QTextStream &FLog;
    TNimhModel FModel;
    TFaultInjector FFaults;
    TClock::time_point FStarted;
    qint64 FFramesWritten = 0;
    int FSlotsSinceReader = 0;
    bool FFailed = false;
};
