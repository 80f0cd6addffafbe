#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Bounded receive buffer of the serial layer. When it overflows the oldest bytes go; the
// decoder finds its way back by hunting for the next start byte.
class TReceiveBuffer
{
public:
    static constexpr std::size_t Capacity = 4096;

    void Append(const std::uint8_t *Data, std::size_t Size)
    {
        if (Size >= Capacity) {
            Data += Size - Capacity;
            Size = Capacity;
        }
        for (std::size_t i = 0; i < Size; ++i) {
            if (FCount == Capacity) {
                FHead = (FHead + 1) % Capacity;
                --FCount;
            }
            FBytes[(FHead + FCount) % Capacity] = Data[i];
            ++FCount;
        }
    }
    // The oldest byte; 0 when empty.
    std::uint8_t Take()
    {
        if (FCount == 0)
            return 0;
        const std::uint8_t byte = FBytes[FHead];
        FHead = (FHead + 1) % Capacity;
        --FCount;
        return byte;
    }
    void Clear()
    {
        FHead = 0;
        FCount = 0;
    }
    std::size_t Size() const { return FCount; }

private:
    std::array<std::uint8_t, Capacity> FBytes{};
    std::size_t FHead = 0;
    std::size_t FCount = 0;
};
