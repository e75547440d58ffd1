#pragma once

#include "engine/result_store.h"
#include "platform/operator.h"
#include "screen/screen.h"

namespace tarvos::engine {

// Frequency, level and EUT status of every entry to 0, and the monitor's Total to
// "00:00:00". Next index and the probe scale stay: a run sets the one itself and the
// other belongs to the cell lookup.
void ClearResults(ResultStore& results, screen::Screen& screen);

// The pre-scan frequency and DAC value and the store's EUT status of every entry to 0,
// ready for a pre-scan file to be loaded.
void ClearPreScan(ResultStore& results, PreScanTable& pre_scan);

// The whole frequency column of the store into the pre-scan table, as the end of a
// pre-scan leaves it. The DAC column, filled step by step, is left alone.
void CapturePreScanFrequencies(const ResultStore& results, PreScanTable& pre_scan);

// The number of results recorded: the entry at next index is the step in progress.
uint32_t ResultCount(const ResultStore& results);

// Display > Clear: asks first; the window repaints whatever the answer.
void ClearCommand(ResultStore& results, screen::Screen& screen, platform::Operator& op);

}  // namespace tarvos::engine
