#pragma once
// Keeps the computer awake while the port is open and a channel charges, as long as the user
// allows it: a charge left alone must not be cut off by the computer going to sleep.
#include "SleepInhibitor.h"

#include <functional>
#include <memory>

class TKRVCharger;

class TKeepAwake
{
public:
    // HeldChanged hears each taking and giving back of the lock.
    TKeepAwake(TKRVCharger &Charger, std::unique_ptr<TSleepInhibitor> Inhibitor, std::function<void(bool)> HeldChanged);
    // Gives the lock back at program end, telling no one.
    ~TKeepAwake();
    TKeepAwake(const TKeepAwake &) = delete;
    TKeepAwake &operator=(const TKeepAwake &) = delete;

    void SetEnabled(bool Enabled);
    // Takes or gives back the lock after a change of the port or of a channel's state.
    void Refresh();
    bool Held() const { return FHeld; }

private:
    bool Wanted() const;

    TKRVCharger &FCharger;
    std::unique_ptr<TSleepInhibitor> FInhibitor;
    std::function<void(bool)> FHeldChanged;
    bool FEnabled = true;
    bool FHeld = false;
};
