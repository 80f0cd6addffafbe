#pragma once

// The charger link. TKRVCharger owns the serial port (TComPort), the four channels
// (TKRVChannels), the frame decoder (TDataPicket), the frame-timing checker
// (TPacketChecker), the watchdog thread (TTimerThread) and a hidden message window
// (TMessageWindow). The port's notifications drive everything on the GUI thread:
// port open -> checker started, OnBeforeCheck, OnOpen; header patterns -> checker until it
// decides the frame mode, OnAfterCheck; waiting bytes -> OnDataAvail and one decoding step,
// which reports channels (OnChannelStateChange, OnReceiveData) and posts progress messages
// (OnPicket). The watchdog thread only posts time-out messages (OnTimeOut). No widgets.

#include "ComPort.h"
#include "DataPicket.h"
#include "KRVChannel.h"
#include "MessageWindow.h"
#include "PacketChecker.h"
#include "TimerThread.h"
#include "ValueToken.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

// The version of this link library, as the about box and the chart header show it.
inline constexpr int KRVChargerVersionMajor = 2;
inline constexpr int KRVChargerVersionMinor = 0;

enum class TLinkState : std::uint8_t {
    lsClosed,  // port closed; initial
    lsOpen,    // port open; set again by every reported frame
    lsTimeOut, // the watchdog expired
    lsFailure, // the last Open failed
};

enum class TFrameMode : std::uint8_t {
    fmUnknown, // until the frame-timing check decides, after every opening
    fmSingle,
    fmGroup,
};

using enum TLinkState;
using enum TFrameMode;

// A channel frame kept from an earlier recording, in the channel's values as it reported them.
struct TReplayedFrame {
    int Channel = 0;
    std::uint32_t Step = 0;
    TChannelState State = csUnknown;
    std::uint16_t MilliVolts = 0;
    std::uint16_t MilliAmps = 0;
    std::uint16_t Temperature = 0;
    std::uint16_t Minutes = 0;
    std::uint16_t MilliAmpHours = 0;
    std::int32_t Flag = 0;
};

class TKRVCharger;
using TNotifyEvent = std::function<void(TKRVCharger *Sender)>;
using TNotifyReceiveDataEvent = std::function<void(TKRVChannel *Sender, std::int32_t Flag)>;
using TNotifyChannelStateChange = std::function<void(TKRVChannel *Sender)>;

inline constexpr std::uint32_t SingleModeInterval = 1485; // ms without a frame
inline constexpr std::uint32_t GroupModeInterval = 4950;

// The non-visual component through which the program talks to one charger. Main thread
// only; events are raised on it and each handler is optional.
class TKRVCharger : public QObject
{
public:
    // Without a port the link uses the real serial port.
    explicit TKRVCharger(QObject *Owner = nullptr, std::unique_ptr<TComPort> Port = nullptr);
    ~TKRVCharger() override;

    // Number N of the port to open ("COM%d"); 0 = none. Takes effect at the next Open.
    std::uint16_t ComNumber = 0;

    // Events, in published order.
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TNotifyEvent OnTimeOut;
    TNotifyEvent OnFailure;
    TNotifyReceiveDataEvent OnReceiveData;
    TNotifyChannelStateChange OnChannelStateChange;
    TNotifyEvent OnDataAvail;
    TNotifyEvent OnBeforeCheck;
    TNotifyEvent OnAfterCheck;
    TNotifyEvent OnPicket;

    // (Re)opens the link on ComNumber; nothing escapes it: a failure gives lsFailure and
    // OnFailure. Continuing keeps the counters, a step on, for a recording that goes on.
    void Open(bool Continuing = false);
    void Close();
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Counters back to 0, channels unknown, no time-out until the next check decides.
    void ResetLink();

    TLinkState LinkState() const { return FLinkState; }
    // Why the last Open failed (ofNone after a successful one).
    const TOpenFailure &OpenFailure() const { return FOpenFailure; }
    TFrameMode FrameMode() const { return FFrameMode; }
    std::uint32_t PacketCount() const { return FPacketCount; }
    std::uint32_t LostCount() const { return FLostCount; }
    std::uint32_t SampleCount() const { return FSampleCount; }
    TKRVChannels &Channels() { return *FChannels; }
    const TKRVChannels &Channels() const { return *FChannels; }
    const std::uint8_t *GetFrame(int Index) const { return FRawFrames[Index]; }
    // A report of a frame that did not arrive leaves the channel's state as it was.
    void ReportChannel(int Index, std::int32_t Flag, bool Arrived = true);
    // Shows a kept recording again while the port is closed: the channel reads the frame's
    // values, the sample step and frame mode are the frame's, and the channel is reported as a
    // received frame would be; the link's state and counters stay as they are. EndReplay leaves
    // the channels idle, as a closed port does.
    void Replay(const TReplayedFrame &Frame, TFrameMode Mode);
    void EndReplay();

    // Parts, for the decoder, the checker and tests.
    TComPort &Port() { return *FPort; }
    TDataPicket &Decoder() { return *FDecoder; }
    TPacketChecker &Checker() { return *FChecker; }
    TTimerThread &Watchdog() { return *FWatchdog; }
    TMessageWindow *Window() { return FWindow.get(); }

private:
    friend class TDataPicket;
    friend class TPacketChecker;

    void Fail(const TOpenFailure &Failure);
    void PortOpened();
    void PortClosed();
    void DataAvailable(std::uint16_t Count);
    void PatternMatched(std::uint16_t Handle);
    void HandleMessage(std::uint32_t Msg, std::uint32_t WParam);
    void Raise(const TNotifyEvent &Event)
    {
        if (Event)
            Event(this);
    }

    std::unique_ptr<TComPort> FPort;
    std::unique_ptr<TDataPicket> FDecoder;
    std::unique_ptr<TPacketChecker> FChecker;
    TLinkState FLinkState = lsClosed;
    TOpenFailure FOpenFailure;
    std::uint8_t FRawFrames[ChannelCount][FrameSize] = {};
    std::unique_ptr<TKRVChannels> FChannels;
    std::unique_ptr<TMessageWindow> FWindow;
    std::unique_ptr<TTimerThread> FWatchdog;
    bool FEnabled = false;
    std::uint32_t FPacketCount = 0;
    std::uint32_t FLostCount = 0;
    std::uint32_t FSampleCount = 0;
    TFrameMode FFrameMode = fmUnknown;
};
