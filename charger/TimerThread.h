#pragma once

#include <atomic>
#include <chrono>
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
    using TClock = std::chrono::steady_clock;

    void Execute();
    // True when a Kick ended the wait, false when the interval passed without one. A wait
    // runs from Start; after a kick Start becomes the kick's time.
    bool WaitForWakeEvent(TClock::time_point &Start);
    // True when the thread was suspended and has been resumed since.
    bool SuspendSelf();

    TMessageWindow *FWindow = nullptr;
    std::uint32_t FMessageParam = 0;
    std::atomic<std::uint32_t> FInterval{WaitWithoutLimit};
    std::atomic<bool> FTerminated{false};

    mutable std::mutex FLock;
    std::condition_variable FWakeSignal;
    // Guarded by FLock. A kick with a frame is only noted: waking the thread for each frame
    // would cost more than decoding it. The thread looks at the note when its interval
    // runs out and waits on from the kick. Kicks that must act at once (switch-off,
    // termination, a new interval, a wait without limit) also set FWakeNow and signal.
    bool FWakeEvent = false;
    bool FWakeNow = false;
    TClock::time_point FKickTime;
    std::condition_variable FResumeSignal;
    bool FSuspended = true; // guarded by FLock
    std::thread FThread;
};
