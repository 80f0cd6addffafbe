#include "DataPicket.h"

#include "ComPort.h"
#include "KRVCharger.h"
#include "MessageWindow.h"
#include "TimerThread.h"

#include <cstring>

namespace {

constexpr int HuntBytes = FrameSize; // a whole frame must be waiting to start one
constexpr int HeaderBytes = FrameSize - 1;
constexpr int BodyBytes = FrameSize - 2;

} // namespace

TDataPicket::TDataPicket(TKRVCharger *Charger) : FCharger(Charger), FFrames(Charger->FRawFrames) { Reset(); }

void TDataPicket::Reset()
{
    FLastChannel = -1;
    FPosition = -1;
    FGroupArrived = 0;
    std::memset(FLastFrames, 0, sizeof FLastFrames);
    FStartBytes.reset();
    for (int c = 0xC0; c <= 0xC3; ++c)
        FStartBytes.set(static_cast<std::size_t>(c));
    for (TFrameFlags &flags : FFlags)
        flags.Clear();
    DropChannel();
}

void TDataPicket::DropChannel()
{
    if (FChannel >= 0) {
        TFrameFlags &flags = FFlags[static_cast<std::size_t>(FChannel)];
        flags.Exclude(ffHeader);
        flags.Exclude(ffComplete);
        flags.Exclude(ffNewRow);
    }
    FChannel = -1;
}

std::uint8_t *TDataPicket::Block(int Channel) { return FFrames[Channel]; }

void TDataPicket::PostProgress() { FCharger->Window()->Post(WM_PROGRESS, 0, 0); }

void TDataPicket::Decode()
{
    TComPort &port = FCharger->Port();
    int waiting = port.BytesWaiting();

    if (FPosition == -1 && waiting >= HuntBytes) {
        PostProgress();
        DropChannel();
        while (waiting > 0) {
            const std::uint8_t c = port.ReadByte();
            --waiting;
            if (!FStartBytes.test(c))
                continue;
            FChannel = c - 0xC0;
            std::memset(Block(FChannel), 0, FrameSize);
            FGroupArrived &= static_cast<std::uint8_t>(~Bit(FChannel));
            Block(FChannel)[0] = c;
            FPosition = 0;
            FCharger->Watchdog().Resume();
            break;
        }
    }

    if (FPosition == 0 && waiting >= HeaderBytes) {
        PostProgress();
        const std::uint8_t c = port.ReadByte();
        --waiting;
        TFrameFlags &flags = FFlags[static_cast<std::size_t>(FChannel)];
        if (c == 0xFF) {
            flags.Include(ffHeader);
            Block(FChannel)[1] = c;
            FPosition = 1;
            if (FLastChannel >= 0)
                CountLostFrames();
        } else {
            // The frame is dropped; its block keeps the start byte and zeros.
            flags.Exclude(ffHeader);
            FPosition = -1;
            FChannel = -1;
        }
    }

    if (FPosition == 1 && waiting >= BodyBytes) {
        PostProgress();
        std::uint8_t *block = Block(FChannel);
        for (int i = 2; i < FrameSize; ++i)
            block[i] = port.ReadByte();
        FCharger->Watchdog().Kick();
        FinishFrame();
    }
}

void TDataPicket::CountLostFrames()
{
    if (FCharger->FrameMode() == fmGroup) {
        // A group's frames come in channel order and channel 3's ends it. A frame that is
        // not after the last one begins a new group: the one in progress never comes, its
        // four frames are lost and its step passes without a report, as a missed round does
        // in single mode.
        if (FLastChannel < ChannelCount - 1 && FChannel <= FLastChannel) {
            FCharger->FLostCount += ChannelCount;
            ++FCharger->FSampleCount;
            // What came of it is no reading of the next group.
            FGroupArrived = 0;
        }
        return;
    }
    // The channels come round in a cycle of four: the distance forward from the last
    // channel, less one, were lost; the same channel again means a whole cycle was.
    const int d = (FChannel - FLastChannel + ChannelCount) % ChannelCount;
    FCharger->FLostCount += d == 0 ? ChannelCount : static_cast<std::uint32_t>(d - 1);
}

void TDataPicket::FinishFrame()
{
    const std::uint8_t *block = Block(FChannel);
    TFrameFlags &flags = FFlags[static_cast<std::size_t>(FChannel)];
    flags.Include(ffComplete);
    const bool plausible = FrameWord(block, static_cast<int>(vtUnLoadVoltage)) <= MaxPlausibleVoltage &&
                           FrameWord(block, static_cast<int>(vtCurrent)) <= MaxPlausibleCurrent;
    if (plausible)
        flags.Include(ffValid);
    else
        flags.Exclude(ffValid);

    const int channel = FChannel;
    if (FCharger->FrameMode() == fmSingle) {
        ++FCharger->FPacketCount;
        if (FLastChannel == -1 || channel == 0 || FLastChannel == 3 || FLastChannel == channel) {
            ++FCharger->FSampleCount;
            flags.Include(ffNewRow);
        }
        // Bookkeeping first: a handler of the report may reset or switch off the link.
        FLastChannel = channel;
        FPosition = -1;
        FCharger->ReportChannel(channel, static_cast<std::int32_t>(flags.Bits() & 3));
        return;
    }

    FLastChannel = channel;
    FPosition = -1;
    if (FCharger->FrameMode() != fmGroup)
        return;
    FGroupArrived |= Bit(channel);
    std::memcpy(FLastFrames[channel], block, FrameSize);
    if (FFlags[3].Contains(ffComplete))
        ReportGroup();
}

void TDataPicket::ReportGroup()
{
    ++FCharger->FPacketCount;
    ++FCharger->FSampleCount;
    FCharger->Watchdog().Resume();
    const std::uint8_t arrived = FGroupArrived;
    FGroupArrived = 0;
    for (int j = 0; j < ChannelCount; ++j) {
        const bool fresh = (arrived & Bit(j)) != 0;
        // A frame missing from the group, or broken in it, is no new sample: the channel
        // is reported with what it last sent, not as a fresh reading, and keeps its state.
        // A kept frame begins with its start byte; an empty one was never received.
        if (!fresh && FLastFrames[j][0] != 0)
            std::memcpy(Block(j), FLastFrames[j], FrameSize);
        std::int32_t flag = fresh ? static_cast<std::int32_t>(FFlags[static_cast<std::size_t>(j)].Bits() & 3) : 0;
        if (j == 0)
            flag |= 2;
        FCharger->ReportChannel(j, flag, fresh);
    }
}
