#include "TimerThread.h"

#include "MessageWindow.h"

#include <chrono>

TTimerThread::TTimerThread(TMessageWindow *Window, std::uint32_t MessageParam, std::uint32_t Interval)
    : FWindow(Window), FMessageParam(MessageParam), FInterval(Interval)
{
    FThread = std::thread([this] { Execute(); });
}

TTimerThread::~TTimerThread()
{
    Terminate();
    Kick();
    Resume();
    if (FThread.joinable())
        FThread.join();
}

void TTimerThread::Kick()
{
    std::lock_guard lock(FLock);
    FWakeEvent = true;
    FKickTime = TClock::now();
    if (FSuspendAfterWait || FTerminated || FInterval == WaitWithoutLimit) {
        FWakeNow = true;
        FWakeSignal.notify_all();
    }
}

void TTimerThread::Resume()
{
    std::lock_guard lock(FLock);
    if (!FSuspended)
        return;
    FSuspended = false;
    FResumeSignal.notify_all();
}

void TTimerThread::SetInterval(std::uint32_t Value)
{
    if (Value == FInterval || FTerminated)
        return;
    FInterval = Value;
    std::lock_guard lock(FLock);
    FWakeEvent = true;
    FWakeNow = true;
    FKickTime = TClock::now();
    FWakeSignal.notify_all();
}

bool TTimerThread::Suspended() const
{
    std::lock_guard lock(FLock);
    return FSuspended;
}

bool TTimerThread::WaitForWakeEvent(TClock::time_point &Start)
{
    std::unique_lock lock(FLock);
    FWakeEvent = false;
    FWakeNow = false;
    if (FTerminated)
        return true;
    for (;;) {
        const std::uint32_t interval = FInterval;
        if (interval == WaitWithoutLimit) {
            FWakeSignal.wait(lock, [this] { return FWakeEvent; });
            Start = TClock::now();
            return true;
        }
        if (FWakeSignal.wait_until(lock, Start + std::chrono::milliseconds(interval), [this] { return FWakeNow; })) {
            Start = TClock::now();
            return true;
        }
        if (!FWakeEvent)
            return false;
        // Frames kept coming: the interval runs again from the last of them.
        FWakeEvent = false;
        Start = FKickTime;
        if (FSuspendAfterWait)
            return true;
    }
}

bool TTimerThread::SuspendSelf()
{
    std::unique_lock lock(FLock);
    // Checked under the lock that Resume takes, so a Resume that follows the switch-on is
    // never lost between the check and the suspension.
    if (!FSuspendAfterWait || FTerminated)
        return false;
    FSuspended = true;
    FResumeSignal.wait(lock, [this] { return !FSuspended; });
    return true;
}

void TTimerThread::Execute()
{
    {
        std::unique_lock lock(FLock);
        FResumeSignal.wait(lock, [this] { return !FSuspended; });
    }
    TClock::time_point start = TClock::now();
    while (!FTerminated) {
        if (!WaitForWakeEvent(start) && !FTerminated) {
            FWindow->Post(WM_TIMEOUT, FMessageParam, 0);
            start = TClock::now();
        }
        if (SuspendSelf())
            start = TClock::now();
    }
}
