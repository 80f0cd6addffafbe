#pragma once
// The frame a channel report hands to the recorder: the values as the window reads them.
#include "RecordingTypes.h"

class TKRVChannel;

// Wall clock now, the charger's sample step, the channel's values, state and the report's flag.
TRecordedFrame RecordedFrame(const TKRVChannel &Channel, std::int32_t Flag);
