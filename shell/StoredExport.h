#pragma once
// A stored recording turned into the window's export list, so that a recording from the store
// exports exactly as the live one did.
struct TStoredRecording;
class TExportLines;

// Clears Lines, then appends one line per stored frame, in report order, with the values the
// window's export took from the channel when that frame came.
void FillExportLines(const TStoredRecording &Recording, TExportLines &Lines);
