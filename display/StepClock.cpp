#include "StepClock.h"

#include <algorithm>

void TStepClock::Record(std::uint32_t Step, qint64 Milliseconds)
{
    if (Step < FSeconds.size())
        return;
    if (FSeconds.empty())
        FOrigin = Milliseconds;
    // A clock set back during the recording gives the steps after it the time of the one before.
    const std::int64_t seconds =
        std::max<std::int64_t>((Milliseconds - FOrigin) / 1000, FSeconds.empty() ? 0 : FSeconds.back());
    FSeconds.resize(std::size_t(Step) + 1, static_cast<std::uint32_t>(std::min<std::int64_t>(seconds, UINT32_MAX)));
}

void TStepClock::Clear()
{
    FSeconds.clear();
    FSeconds.shrink_to_fit();
    FOrigin = 0;
}

QDateTime TStepClock::TimeOf(std::int64_t Step) const
{
    if (!Knows(Step))
        return {};
    return QDateTime::fromMSecsSinceEpoch(FOrigin + 1000 * qint64(FSeconds[static_cast<std::size_t>(Step)]));
}
