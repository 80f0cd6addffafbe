#include "Simulator.h"

#include "ExitSignals.h"

#include <algorithm>
#include <thread>

namespace {

// 16 bytes at 960 bytes a second.
constexpr double LineRateFrameSeconds = 16.0 / 960.0;
// The monitor times four headers; one slot more covers a frame lost to the input being
// cleared when the port opens.
constexpr int RealPaceSlots = Wire::ChannelCount + 1;
constexpr double GroupSeconds = 4;
constexpr double SingleSeconds = 1;

} // namespace

TSimulator::TSimulator(const TSimOptions &Options, TSimOutput &Output, QTextStream &Log)
    : FOptions(Options), FOutput(Output), FLog(Log), FFaults(Options.Seed, Options.Faults)
{}

bool TSimulator::Run()
{
    FStarted = TClock::now();
    auto next = FStarted;
    for (int channel = 0; !ExitRequested() && !LimitReached() && !FFailed;
         channel = (channel + 1) % Wire::ChannelCount) {
        WaitUntil(next);
        if (ExitRequested())
            break;
        const bool realPace = AtRealPace();
        SendSlot(channel);
        // A charger's slot is one second of the model whether or not the line is fast.
        FModel.Advance(SingleSeconds * FOptions.Scale);
        const double gap = realPace ? SlotSeconds(channel) : LineRateFrameSeconds;
        next += std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(gap));
        // After a stall (a suspended process) the pace starts afresh rather than bursting.
        next = std::max(next, TClock::now() - std::chrono::seconds(1));
    }
    return !FFailed;
}

double TSimulator::SlotSeconds(int Channel) const
{
    if (!FOptions.GroupMode)
        return SingleSeconds;
    // The group's four frames go back to back; the gap follows the last one.
    return Channel == Wire::ChannelCount - 1 ? GroupSeconds - 3 * LineRateFrameSeconds : LineRateFrameSeconds;
}

bool TSimulator::AtRealPace() const { return !FOptions.Fast || FSlotsSinceReader < RealPaceSlots; }

void TSimulator::SendSlot(int Channel)
{
    const TSimOutput::TReader reader = FOutput.CheckReader();
    if (reader.Fresh) {
        FSlotsSinceReader = 0;
        if (!FOptions.Quiet)
            FLog << "reader connected" << Qt::endl;
    }
    const TFrameWords words = FModel.Reading(Channel);
    // The faults are drawn whether or not anybody listens, so that a seed spoils the same slots.
    const TLineChunk chunk = FFaults.Prepare(Channel, words);
    if (!reader.Present)
        return;
    ++FSlotsSinceReader;
    if (chunk.Bytes.isEmpty())
        return;
    QString error;
    switch (FOutput.Write(chunk.Bytes, error)) {
    case TSimOutput::TWriteResult::Failed:
        FLog << error << Qt::endl;
        FFailed = true;
        return;
    case TSimOutput::TWriteResult::Dropped:
        return;
    case TSimOutput::TWriteResult::Written:
        break;
    }
    if (!chunk.HasFrame)
        return;
    ++FFramesWritten;
    if (!FOptions.Quiet)
        FLog << QStringLiteral("frame %1 channel %2 %3 mV %4 mA %5 min %6 mAh")
                    .arg(FFramesWritten)
                    .arg(Channel)
                    .arg(words.UnLoadVoltage)
                    .arg(words.Current)
                    .arg(words.WorkingTime)
                    .arg(words.Capacity)
             << Qt::endl;
}

bool TSimulator::LimitReached() const
{
    if (FOptions.FrameLimit > 0 && FFramesWritten >= FOptions.FrameLimit)
        return true;
    return FOptions.Duration > 0 && TClock::now() - FStarted >= std::chrono::duration<double>(FOptions.Duration);
}

void TSimulator::WaitUntil(TClock::time_point Deadline) const
{
    constexpr auto Step = std::chrono::milliseconds(50);
    for (auto now = TClock::now(); now < Deadline && !ExitRequested(); now = TClock::now())
        std::this_thread::sleep_for(std::min<TClock::duration>(Deadline - now, Step));
}
