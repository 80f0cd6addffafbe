#pragma once
// A lock that keeps the computer from going to sleep while it is held, taken through whatever
// the desktop offers.
#include <QString>

#include <memory>

class TSleepInhibitor
{
public:
    virtual ~TSleepInhibitor() = default;
    // Takes the lock, naming the reason; false when nothing on the computer grants one.
    virtual bool Acquire(const QString &Why) = 0;
    // Gives the lock back; nothing when none is held.
    virtual void Release() = 0;
};

// logind on the system bus, else the screen saver service on the session bus; on Windows the
// thread's execution state.
std::unique_ptr<TSleepInhibitor> MakeSleepInhibitor();
