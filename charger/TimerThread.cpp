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
    FWakeSignal.notify_all();
}

void TTimerThread::Resume()
{
    std::lock_guard lock(FLock);
    FSuspended = false;
    FResumeSignal.notify_all();
}

void TTimerThread::SetInterval(std::uint32_t Value)
{
    if (Value == FInterval || FTerminated)
        return;
    FInterval = Value;
    Kick();
}

bool TTimerThread::Suspended() const
{
    std::lock_guard lock(FLock);
    return FSuspended;
}

void TTimerThread::ResetWakeEvent()
{
    std::lock_guard lock(FLock);
    FWakeEvent = false;
}

bool TTimerThread::WaitForWakeEvent(std::uint32_t Milliseconds)
{
    std::unique_lock lock(FLock);
    if (Milliseconds == WaitWithoutLimit) {
        FWakeSignal.wait(lock, [this] { return FWakeEvent; });
        return true;
    }
    return FWakeSignal.wait_for(lock, std::chrono::milliseconds(Milliseconds), [this] { return FWakeEvent; });
}

void TTimerThread::SuspendSelf()
{
    std::unique_lock lock(FLock);
    // Checked under the lock that Resume takes, so a Resume that follows the switch-on is
    // never lost between the check and the suspension.
    if (!FSuspendAfterWait || FTerminated)
        return;
    FSuspended = true;
    FResumeSignal.wait(lock, [this] { return !FSuspended; });
}

void TTimerThread::Execute()
{
    {
        std::unique_lock lock(FLock);
        FResumeSignal.wait(lock, [this] { return !FSuspended; });
    }
    while (!FTerminated) {
        ResetWakeEvent();
        if (FTerminated)
            break;
        if (!WaitForWakeEvent(FInterval) && !FTerminated)
            FWindow->Post(WM_TIMEOUT, FMessageParam, 0);
        SuspendSelf();
    }
}
