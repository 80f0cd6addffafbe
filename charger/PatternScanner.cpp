#include "PatternScanner.h"

#include <algorithm>

std::uint16_t TPatternScanner::Add(TPattern Pattern)
{
    // Handles are not reused soon, so a stale handle from an earlier connection never
    // names a new trigger.
    do {
        ++FLastHandle;
    } while (FLastHandle == 0 || Contains(FLastHandle));
    FTriggers.push_back({FLastHandle, Pattern});
    return FLastHandle;
}

void TPatternScanner::Remove(std::uint16_t Handle)
{
    std::erase_if(FTriggers, [Handle](const TTrigger &t) { return t.Handle == Handle; });
}

void TPatternScanner::RemoveAll() { FTriggers.clear(); }

bool TPatternScanner::Contains(std::uint16_t Handle) const
{
    return std::any_of(FTriggers.begin(), FTriggers.end(), [Handle](const TTrigger &t) { return t.Handle == Handle; });
}

void TPatternScanner::Scan(const std::uint8_t *Data, std::size_t Size, std::vector<std::uint16_t> &Matches)
{
    if (Size == 0)
        return;
    if (!FTriggers.empty()) {
        int previous = FLastByte;
        for (std::size_t i = 0; i < Size; ++i) {
            const std::uint8_t current = Data[i];
            if (previous >= 0) {
                for (const TTrigger &trigger : FTriggers)
                    if (trigger.Pattern[0] == previous && trigger.Pattern[1] == current)
                        Matches.push_back(trigger.Handle);
            }
            previous = current;
        }
    }
    FLastByte = Data[Size - 1];
}
