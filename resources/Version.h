#pragma once
// The program's version block, stamped into the program file at build time so that the version
// can be read back from the file itself: an 8-byte marker, then two little-endian 32-bit words,
// (major << 16 | minor) and (release << 16 | build).
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t VersionMarkerSize = 8;
inline constexpr std::size_t VersionBlockSize = VersionMarkerSize + 8;

// The block as linked into this program. The marker is written nowhere else (debug information
// may repeat the whole block), so a scan of the program file meets this program's numbers.
std::span<const std::uint8_t, VersionBlockSize> ProgramVersionBlock();
