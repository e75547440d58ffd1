#include "engine/result_operations.h"

#include "engine/format_elapsed.h"
#include "screen/messages.h"

namespace tarvos::engine {

void ClearResults(ResultStore& results, screen::Screen& screen) {
  for (auto& entry : results.Entries) entry = ResultPoint{};
  screen.monitor.total = FormatElapsed(0);
}

void ClearPreScan(ResultStore& results, PreScanTable& pre_scan) {
  for (auto& entry : pre_scan.Entries) entry = PreScanEntry{};
  for (auto& entry : results.Entries) entry.EutStatus = kEutNothing;
}

void CapturePreScanFrequencies(const ResultStore& results, PreScanTable& pre_scan) {
  for (std::size_t i = 0; i < kEntries; ++i) {
    pre_scan.Entries[i].Frequency = results.Entries[i].Frequency;
  }
}

uint32_t ResultCount(const ResultStore& results) {
  return results.NextIndex == 0 ? 0 : results.NextIndex - 1;
}

void ClearCommand(ResultStore& results, screen::Screen& screen, platform::Operator& op) {
  if (screen::Ask(op, screen::msg::kClearAllQuestion)) {
    ClearResults(results, screen);
  }
  ++screen.repaints;
}

}  // namespace tarvos::engine
