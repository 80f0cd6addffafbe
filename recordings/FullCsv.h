#pragma once
// A stored recording as a full-precision CSV text: a header line, then one line per channel
// frame with the ISO 8601 wall-clock time (UTC, milliseconds), the channel number, its
// description, volts with three decimals, mA, minutes, mAh, the temperature and the state.
// UTF-8, CR LF after every line; a description with a comma, a quote or a line break is quoted.
#include "RecordingTypes.h"

#include <QByteArray>

class QIODevice;

extern const QByteArray FullCsvHeader;

QByteArray FullCsvLine(const TRecordedFrame &Frame, const TRecordingInfo &Info);
// False when the device refused a write.
bool WriteFullCsv(const TStoredRecording &Recording, QIODevice &Device);
