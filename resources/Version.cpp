#include "Version.h"

#include "VersionStamp.h"

namespace {

constexpr std::uint32_t Major = KRV_VERSION_MAJOR;
constexpr std::uint32_t Minor = KRV_VERSION_MINOR;
constexpr std::uint32_t Release = KRV_VERSION_RELEASE;
constexpr std::uint32_t Build = KRV_VERSION_BUILD;
static_assert(Major <= 0xFFFF && Minor <= 0xFFFF && Release <= 0xFFFF && Build <= 0xFFFF,
              "each version number must fit a 16-bit word");

constexpr std::uint32_t MostSignificant = Major << 16 | Minor;
constexpr std::uint32_t LeastSignificant = Release << 16 | Build;

constexpr std::uint8_t ByteOf(std::uint32_t Word, int Index) { return static_cast<std::uint8_t>(Word >> (8 * Index)); }

// Kept by the compiler even where nothing reads it, and pulled into every program that asks
// for its version through ProgramVersionBlock.
[[gnu::used]] constexpr std::uint8_t Block[VersionBlockSize] = {
    'K',
    'r',
    'v',
    'F',
    'V',
    'e',
    'r',
    '!',
    ByteOf(MostSignificant, 0),
    ByteOf(MostSignificant, 1),
    ByteOf(MostSignificant, 2),
    ByteOf(MostSignificant, 3),
    ByteOf(LeastSignificant, 0),
    ByteOf(LeastSignificant, 1),
    ByteOf(LeastSignificant, 2),
    ByteOf(LeastSignificant, 3),
};

} // namespace

std::span<const std::uint8_t, VersionBlockSize> ProgramVersionBlock() { return std::span(Block); }
