#include "StoredExport.h"

#include "display/ExportLines.h"
#include "recordings/RecordingTypes.h"

void FillExportLines(const TStoredRecording &Recording, TExportLines &Lines)
{
    Lines.Clear();
    for (const TRecordedFrame &frame : Recording.Frames)
        Lines.Append(frame.Step, frame.Channel + 1, frame.MilliVolts, frame.MilliAmps, frame.Minutes,
                     frame.MilliAmpHours);
}
