#include "KRVCharger.h"

#include "QtComPort.h"

TKRVCharger::TKRVCharger(QObject *Owner, std::unique_ptr<TComPort> Port) : QObject(Owner)
{
    FChannels = std::make_unique<TKRVChannels>(this);

    FPort = Port ? std::move(Port) : std::make_unique<TQtComPort>();
    FPort->AutoOpen = false;
    FPort->SetOpen(false);
    FPort->Line = TLineSettings{9600, 'N', 8, 1};
    FPort->OnPortOpen = [this] { PortOpened(); };
    FPort->OnPortClose = [this] { PortClosed(); };
    FPort->OnTriggerData = [this](std::uint16_t handle) { PatternMatched(handle); };
    FPort->OnTriggerAvail = [this](std::uint16_t count) { DataAvailable(count); };

    FChecker = std::make_unique<TPacketChecker>(this);
    FDecoder = std::make_unique<TDataPicket>(this);

    FWindow = std::make_unique<TMessageWindow>(
        [this](std::uint32_t msg, std::uint32_t wParam, std::uint32_t) { HandleMessage(msg, wParam); });

    FWatchdog = std::make_unique<TTimerThread>(FWindow.get(), 1, WaitWithoutLimit);
    FWatchdog->FSuspendAfterWait = false;
}

TKRVCharger::~TKRVCharger()
{
    // Before destruction: no OnClose while going away; stop the watchdog; close the port.
    OnClose = nullptr;
    FWatchdog->Terminate();
    FWatchdog->Kick();
    FPort->SetOpen(false);

    FWatchdog.reset(); // ends its thread and waits for it
    FWindow.reset();
    FChannels.reset();
    FDecoder.reset();
    FChecker.reset();
    FPort.reset();
}

void TKRVCharger::Open(bool Continuing)
{
    if (ComNumber == 0)
        return;
    FOpenFailure = {};
    try {
        FPort->SetOpen(false);
        SetEnabled(false);
        const std::uint32_t packets = FPacketCount, lost = FLostCount, samples = FSampleCount;
        ResetLink();
        if (Continuing) {
            FPacketCount = packets;
            FLostCount = lost;
            FSampleCount = samples + 1;
        }
        FPort->ComNumber = ComNumber;
        SetEnabled(true);
        FPort->SetOpen(true);
    } catch (const TComPortError &error) {
        Fail(error.Failure());
    } catch (const std::exception &error) {
        Fail({ofOther, QString(), QString(), QString::fromLocal8Bit(error.what())});
    } catch (...) {
        Fail({ofOther, QString(), QString(), QString()});
    }
}

void TKRVCharger::Fail(const TOpenFailure &Failure)
{
    // Nothing is undone: receiving stays switched on and the port stays closed.
    FOpenFailure = Failure;
    FLinkState = lsFailure;
    Raise(OnFailure);
}

void TKRVCharger::Close()
{
    FChecker->Stop();
    FPort->SetOpen(false);
    SetEnabled(false);
}

void TKRVCharger::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (!Value)
        FDecoder->Reset();
    if (FPort->Open())
        FPort->FlushInput();
    FWatchdog->FSuspendAfterWait = !Value;
    if (Value)
        FWatchdog->Resume();
    else
        FWatchdog->Kick();
}

void TKRVCharger::ResetLink()
{
    FWatchdog->SetInterval(WaitWithoutLimit);
    FPacketCount = 0;
    FLostCount = 0;
    FSampleCount = 0;
    for (int i = 0; i < FChannels->Count(); ++i)
        FChannels->Items(i).State = csUnknown;
}

void TKRVCharger::ReportChannel(int Index, std::int32_t Flag, bool Arrived)
{
    FLinkState = lsOpen;
    TKRVChannel &channel = FChannels->Items(Index);
    const TChannelState state = FrameWord(FRawFrames[Index], static_cast<int>(vtCurrent)) <= 20 ? csIdle : csWorking;
    if (Arrived && state != channel.State) {
        channel.State = state;
        if (OnChannelStateChange)
            OnChannelStateChange(&channel);
    }
    if (OnReceiveData)
        OnReceiveData(&channel, Flag);
}

void TKRVCharger::Replay(const TReplayedFrame &Frame, TFrameMode Mode)
{
    if (Frame.Channel < 0 || Frame.Channel >= ChannelCount || FPort->Open())
        return;
    std::uint8_t *block = FRawFrames[Frame.Channel];
    auto put = [block](TValueToken Token, std::uint16_t Value) {
        block[2 * static_cast<int>(Token)] = static_cast<std::uint8_t>(Value & 0xFF);
        block[2 * static_cast<int>(Token) + 1] = static_cast<std::uint8_t>(Value >> 8);
    };
    put(vtChannelIndex, static_cast<std::uint16_t>(0xC0 + Frame.Channel));
    put(vtUnLoadVoltage, Frame.MilliVolts);
    put(vtCurrent, Frame.MilliAmps);
    put(vtTemperature, Frame.Temperature);
    put(vtWorkingTime, Frame.Minutes);
    put(vtCapacity, Frame.MilliAmpHours);
    FSampleCount = Frame.Step;
    FFrameMode = Mode;
    TKRVChannel &channel = FChannels->Items(Frame.Channel);
    if (channel.State != Frame.State) {
        channel.State = Frame.State;
        if (OnChannelStateChange)
            OnChannelStateChange(&channel);
    }
    if (OnReceiveData)
        OnReceiveData(&channel, Frame.Flag);
}

void TKRVCharger::EndReplay()
{
    for (int i = 0; i < FChannels->Count(); ++i) {
        TKRVChannel &channel = FChannels->Items(i);
        if (channel.State == csIdle)
            continue;
        channel.State = csIdle;
        if (OnChannelStateChange)
            OnChannelStateChange(&channel);
    }
}

void TKRVCharger::PortOpened()
{
    FChecker->Start();
    // A port on which no charger ever sends must not look like a silent success: the check
    // is watched with the group interval, and goes on after each time-out.
    FWatchdog->SetInterval(GroupModeInterval);
    FWindow->Discard(WM_TIMEOUT);
    FWatchdog->Resume();
    Raise(OnBeforeCheck);
    FLinkState = lsOpen;
    Raise(OnOpen);
}

void TKRVCharger::PortClosed()
{
    // A device that went away ends the connection as a close does, so that the watchdog
    // sleeps until the next open.
    if (FPort->DeviceWasLost()) {
        FChecker->Stop();
        SetEnabled(false);
    }
    FLinkState = lsClosed;
    for (int i = 0; i < FChannels->Count(); ++i)
        FChannels->Items(i).State = csIdle;
    Raise(OnClose);
}

void TKRVCharger::DataAvailable(std::uint16_t)
{
    if (FEnabled && FFrameMode != fmUnknown) {
        Raise(OnDataAvail);
        FDecoder->Decode();
    }
}

void TKRVCharger::PatternMatched(std::uint16_t Handle)
{
    if (!FEnabled || FFrameMode != fmUnknown)
        return;
    FChecker->HeaderSeen(Handle);
    if (FChecker->Done()) {
        if (FFrameMode == fmSingle)
            FWatchdog->SetInterval(SingleModeInterval);
        else if (FFrameMode == fmGroup)
            FWatchdog->SetInterval(GroupModeInterval);
        // The check's own interval ran since the opening; frames are timed from now.
        FWatchdog->Kick();
        FWatchdog->Resume();
        // Headers came in: whatever time-out the check had, the charger is sending.
        if (FLinkState == lsTimeOut)
            FLinkState = lsOpen;
        Raise(OnAfterCheck);
    }
}

void TKRVCharger::HandleMessage(std::uint32_t Msg, std::uint32_t WParam)
{
    if (Msg == WM_TIMEOUT) {
        if (WParam != 1)
            return;
        // A time-out posted just before a close, a switch-off or a link reset would mark a
        // link that is not waiting for frames as timed out: dropped. One from before a
        // reopen was discarded when the port opened.
        if (!FEnabled || !FPort->Open() || FWatchdog->Interval() == WaitWithoutLimit)
            return;
        FLinkState = lsTimeOut;
        Raise(OnTimeOut);
    } else if (Msg == WM_PROGRESS) {
        Raise(OnPicket);
    }
}
