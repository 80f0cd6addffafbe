#pragma once
// What a stored recording holds: its start, its port, the latest channel descriptions and
// every reported channel frame in device units, as the window read them.
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

inline constexpr int RecordedChannels = 4;
inline constexpr std::uint8_t RecordedAfterGap = 0x04;

// One reported channel frame. Values are the channel's as the window read them (0 for every
// kind but the capacity while the channel is not charging).
struct TRecordedFrame {
    std::int64_t WallMs = 0; // UTC, milliseconds since 1970
    std::uint32_t Step = 0;  // sample step at the report
    std::uint16_t MilliVolts = 0;
    std::uint16_t MilliAmps = 0;
    std::uint16_t Minutes = 0;
    std::uint16_t MilliAmpHours = 0;
    std::uint16_t Temperature = 0;
    std::uint8_t Channel = 0; // 0..3
    std::uint8_t State = 0;   // TChannelState
    // The report's flag: bit 0 plausible values, bit 1 a new sample step; bit 2 (RecordedAfterGap)
    // the first report after the link was lost and reopened.
    std::uint8_t Flag = 0;

    friend bool operator==(const TRecordedFrame &, const TRecordedFrame &) = default;
};

// What a recording begins with: a port's open or a clear data.
struct TRecordingStart {
    std::int64_t StartedMs = 0; // UTC wall clock
    std::uint16_t ComNumber = 0;
    QString Device;
    std::uint8_t FrameMode = 0; // TFrameMode; usually still unknown at the start
    std::array<QString, RecordedChannels> Descriptions;
};

// A stored recording as the list shows it; kept up to date at every commit.
struct TRecordingInfo {
    std::int64_t Id = 0;
    std::int64_t StartedMs = 0;
    std::uint16_t ComNumber = 0;
    QString Device;
    std::uint8_t FrameMode = 0;
    bool EndedCleanly = false;
    // A recorder (of this copy of the program or another) is writing it now: it is neither
    // offered for restoring nor deleted.
    bool Live = false;
    std::int64_t DurationMs = 0; // start to the last stored frame
    std::uint32_t LastStep = 0;
    std::int64_t FrameCount = 0;
    std::uint8_t ChargedChannels = 0; // bit i: channel i was charging in some frame
    std::array<std::uint16_t, RecordedChannels> FinalCapacity{};
    std::array<QString, RecordedChannels> Descriptions;
    std::int64_t SizeOnDisk = 0; // its share of the file, by frames
};

struct TStoredRecording {
    TRecordingInfo Info;
    std::vector<TRecordedFrame> Frames; // in report order, so in step order
};
