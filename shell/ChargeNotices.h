#pragma once
// Decides when a channel's charge is done: a channel seen charging for at least a minute whose
// next sound frame reads idle. Frames that did not arrive or failed the plausibility test say
// nothing about the charge, so a one-frame flicker gives no notice.
#include <QString>

#include "charger/ValueToken.h"

#include <array>
#include <cstdint>
#include <functional>

inline constexpr std::int64_t ChargeNoticeMinimumMs = 60'000;

struct TChargeNotice {
    int ChannelIndex = 0;
    QString Summary;
    QString Body;
};

// Where a notice goes: the desktop, or a test.
class TNoticeSink
{
public:
    virtual ~TNoticeSink() = default;
    virtual void ShowNotice(const TChargeNotice &Notice) = 0;
};

// "2703 mAh, 2:15": the final capacity and the working time in hours and minutes.
QString ChargeNoticeBody(std::uint16_t Capacity, std::uint16_t Minutes);

class TChargeNotices
{
public:
    using TClock = std::function<std::int64_t()>; // milliseconds, steadily rising
    // ChannelName gives the channel as the data box shows it; Enabled reads the option.
    TChargeNotices(TNoticeSink &Sink, std::function<QString(int)> ChannelName, std::function<bool()> Enabled);

    // One report of a channel. Sound is false for a frame missing from its group or one that
    // failed the plausibility test.
    void Report(int Channel, bool Sound, bool Working, std::uint16_t Capacity, std::uint16_t Minutes);

    TClock Clock;

private:
    struct TCharge {
        bool Charging = false;
        std::int64_t Since = 0;
        std::uint16_t Capacity = 0;
        std::uint16_t Minutes = 0;
    };
    TNoticeSink &FSink;
    std::function<QString(int)> FChannelName;
    std::function<bool()> FEnabled;
    std::array<TCharge, ChannelCount> FCharges{};
};
