#pragma once

#include <array>
#include <cstdint>
#include <vector>

using TPattern = std::array<std::uint8_t, 2>;

// Finds registered two-byte patterns in a received stream that arrives in chunks; a pattern
// may straddle two chunks. Handles are nonzero 16-bit numbers.
class TPatternScanner
{
public:
    std::uint16_t Add(TPattern Pattern);
    void Remove(std::uint16_t Handle);
    void RemoveAll();
    bool Contains(std::uint16_t Handle) const;
    bool Empty() const { return FTriggers.empty(); }
    // Forgets the byte before the next chunk (a new connection).
    void Restart() { FLastByte = -1; }

    // Appends to Matches the handles of every match in Data, in stream order; at one
    // position, in registration order.
    void Scan(const std::uint8_t *Data, std::size_t Size, std::vector<std::uint16_t> &Matches);

private:
    struct TTrigger {
        std::uint16_t Handle = 0;
        TPattern Pattern{};
    };
    std::vector<TTrigger> FTriggers;
    std::uint16_t FLastHandle = 0;
    int FLastByte = -1;
};
