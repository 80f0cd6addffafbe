#include "KeepAwake.h"

#include "charger/ComPort.h"
#include "charger/KRVCharger.h"
#include "resources/Texts.h"

TKeepAwake::TKeepAwake(TKRVCharger &Charger, std::unique_ptr<TSleepInhibitor> Inhibitor,
                       std::function<void(bool)> HeldChanged)
    : FCharger(Charger), FInhibitor(std::move(Inhibitor)), FHeldChanged(std::move(HeldChanged))
{}

TKeepAwake::~TKeepAwake()
{
    if (FHeld)
        FInhibitor->Release();
}

void TKeepAwake::SetEnabled(bool Enabled)
{
    FEnabled = Enabled;
    Refresh();
}

bool TKeepAwake::Wanted() const
{
    if (!FEnabled || !FCharger.Port().Open())
        return false;
    const TKRVChannels &channels = FCharger.Channels();
    for (int i = 0; i < channels.Count(); ++i)
        if (channels.Items(i).State == csWorking)
            return true;
    return false;
}

void TKeepAwake::Refresh()
{
    const bool wanted = Wanted();
    if (wanted == FHeld)
        return;
    if (wanted) {
        // Where nothing grants a lock the next change of state asks again.
        if (!FInhibitor->Acquire(LoadStr(TTextId::KeepAwakeReason)))
            return;
    } else {
        FInhibitor->Release();
    }
    FHeld = wanted;
    if (FHeldChanged)
        FHeldChanged(FHeld);
}
