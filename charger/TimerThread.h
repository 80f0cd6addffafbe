#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TMessageWindow;

inline constexpr std::uint32_t WaitWithoutLimit = 0xFFFFFFFF;

// Watchdog on a thread of its own: when an interval passes without a Kick it posts the
// time-out message to the window, again every interval. Created suspended; Resume starts it.
// Kick, Resume, SetInterval and the destructor may be called from any thread.
class TTimerThread
{
public:
    TTimerThread(TMessageWindow *Window, std::uint32_t MessageParam, std::uint32_t Interval);
    ~TTimerThread();
    TTimerThread(const TTimerThread &) = delete;
    TTimerThread &operator=(const TTimerThread &) = delete;

    // Ends the current wait; the next one starts with the interval as it stands.
    void Kick();
    // Lets a suspended thread run; no effect on a running one.
    void Resume();
    // Stores a different interval and wakes the thread so that it governs the next wait.
    void SetInterval(std::uint32_t Value);
    std::uint32_t Interval() const { return FInterval; }
    void Terminate() { FTerminated = true; }
    bool Suspended() const;

    // When true the thread suspends itself after each wait (the link is switched off).
    std::atomic<bool> FSuspendAfterWait{true};

private:
    void Execute();
    void ResetWakeEvent();
    // True when the event was set, false when the interval passed.
    bool WaitForWakeEvent(std::uint32_t Milliseconds);
    void SuspendSelf();

    TMessageWindow *FWindow = nullptr;
    std::uint32_t FMessageParam = 0;
    std::atomic<std::uint32_t> FInterval{WaitWithoutLimit};
    std::atomic<bool> FTerminated{false};

    mutable std::mutex FLock;
    std::condition_variable FWakeSignal;
    bool FWakeEvent = false; // manual-reset event, guarded by FLock
    std::condition_variable FResumeSignal;
    bool FSuspended = true; // guarded by FLock
    std::thread FThread;
};
