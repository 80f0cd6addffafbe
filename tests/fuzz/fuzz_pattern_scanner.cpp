// The scanner finds exactly what a plain search of the whole stream finds, however the
// stream is cut into chunks.
#include "charger/PatternScanner.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    // Layout: pattern count (1-8), the patterns, a chunk size, then the stream.
    if (Size < 2)
        return 0;
    const std::size_t count = 1 + Data[0] % 8;
    if (Size < 2 + 2 * count)
        return 0;
    TPatternScanner scanner;
    std::vector<std::pair<std::uint16_t, TPattern>> patterns;
    for (std::size_t i = 0; i < count; ++i) {
        const TPattern pattern{Data[1 + 2 * i], Data[2 + 2 * i]};
        patterns.emplace_back(scanner.Add(pattern), pattern);
    }
    const std::size_t chunk = 1 + Data[1 + 2 * count] % 32;
    const std::uint8_t *stream = Data + 2 + 2 * count;
    const std::size_t length = Size - 2 - 2 * count;

    std::vector<std::uint16_t> found;
    for (std::size_t at = 0; at < length; at += chunk)
        scanner.Scan(stream + at, std::min(chunk, length - at), found);

    std::vector<std::uint16_t> expected;
    for (std::size_t at = 1; at < length; ++at)
        for (const auto &[handle, pattern] : patterns)
            if (stream[at - 1] == pattern[0] && stream[at] == pattern[1])
                expected.push_back(handle);
    if (found != expected)
        std::abort();
    return 0;
}
