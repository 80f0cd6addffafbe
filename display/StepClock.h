#pragma once

#include <QDateTime>

#include <cstdint>
#include <vector>

// The wall-clock time at which each sample step began, for the chart's read-out: four bytes a
// step, seconds after the first step of the recording.
class TStepClock
{
public:
    bool Knows(std::int64_t Step) const { return Step >= 0 && Step < static_cast<std::int64_t>(FSeconds.size()); }
    // Step began at the time Milliseconds after the epoch; a step already known keeps its
    // time, skipped steps take this one.
    void Record(std::uint32_t Step, qint64 Milliseconds);
    void Clear();
    // The time Step began; invalid for a step not recorded.
    QDateTime TimeOf(std::int64_t Step) const;
    std::size_t Count() const { return FSeconds.size(); }

private:
    qint64 FOrigin = 0;                  // milliseconds after the epoch
    std::vector<std::uint32_t> FSeconds; // by step
};
