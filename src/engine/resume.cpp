#include "engine/resume.h"

#include <algorithm>
#include <cmath>

#include "engine/result_operations.h"
#include "setup/number_forms.h"

namespace tarvos::engine {

uint32_t NextScanFrequency(uint32_t current, float step_percent, uint32_t finish) {
  const long double f = static_cast<float>(current);
  const long double next = std::nearbyint(f + f * static_cast<long double>(step_percent) / 100.0L);
  if (!(next < static_cast<long double>(finish))) return finish;
  if (next < 0.0L) return 0;
  return static_cast<uint32_t>(next);
}

uint32_t ScanFirstFrequency(const setup::TestSetup& setup) {
  return setup::IsCustomMode(setup.TestMode) ? setup.CustomList[0].Frequency : setup.StartFrequency;
}

uint32_t ScanFinishFrequency(const setup::TestSetup& setup) {
  if (!setup::IsCustomMode(setup.TestMode)) return setup.EndFrequency;
  // The last row the grid holds; empty rows have no frequency.
  uint32_t last = 0;
  for (const setup::CustomRow& row : setup.CustomList) {
    if (row.Frequency != 0) last = row.Frequency;
  }
  return last;
}

std::variant<ResumePoint, const screen::MessageEntry*> FindResumePoint(
    const setup::TestSetup& setup, bool pre_scan, const ResultStore& results,
    const PreScanTable& table) {
  const uint8_t mode = setup.TestMode;
  if (pre_scan || !(setup::IsStandardMode(mode) || setup::IsCustomMode(mode))) {
    return &screen::msg::kResumeOnlyScans;
  }
  const uint32_t count = std::min<uint32_t>(ResultCount(results), kEntries - 1);
  // A cleared store keeps its next index: entries without a frequency are no results.
  if (count == 0 || results.Entries[1].Frequency == 0) return &screen::msg::kResumeNoResults;
  const uint32_t finish = ScanFinishFrequency(setup);
  const uint32_t last = results.Entries[count].Frequency;
  if (last >= finish) return &screen::msg::kResumeAtFinish;
  uint32_t expected = ScanFirstFrequency(setup);
  for (uint32_t i = 1; i <= count; ++i) {
    if (results.Entries[i].Frequency != expected) return &screen::msg::kResumeOffSteps;
    expected = NextScanFrequency(expected, setup.StepPercent, finish);
  }
  if (mode > setup::kPreScanOffset) {
    // Replayed by index: the table must be the one whose steps these results follow.
    if (!table.Available) return &screen::msg::kResumeNeedsPreScan;
    for (uint32_t i = 1; i <= count; ++i) {
      if (table.Entries[i].Frequency != results.Entries[i].Frequency) {
        return &screen::msg::kResumeNeedsPreScan;
      }
    }
  }
  return ResumePoint{count, last};
}

std::string ResumeQuestion(const ResumePoint& point) {
  return screen::Fill(screen::msg::kResumeQuestion,
                      {setup::FormatFixed(static_cast<double>(point.Frequency) / 1'000'000.0, 0, 3),
                       std::to_string(point.Index)});
}

}  // namespace tarvos::engine
