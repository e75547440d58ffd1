#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "engine/result_store.h"
#include "screen/messages.h"
#include "setup/test_setup.h"

namespace tarvos::engine {

// The next frequency of a scan: one step in percent up, in extended precision from the
// frequency held in single precision, rounded to whole Hz and clamped to the finish.
uint32_t NextScanFrequency(uint32_t current, float step_percent, uint32_t finish);

// A scan's first and last frequency: the start and finish, or the custom grid's first and
// last rows.
uint32_t ScanFirstFrequency(const setup::TestSetup& setup);
uint32_t ScanFinishFrequency(const setup::TestSetup& setup);

// Where an interrupted scan goes on: its last recorded result N, whose step is levelled,
// recorded and dwelt again (its dwell may have been cut short); results 1 to N - 1 stay.
struct ResumePoint {
  uint32_t Index = 0;
  uint32_t Frequency = 0;  // Hz, result N's
};

// The results in the store and the setup that recorded them (pre_scan: they are a
// pre-scan's), checked for a resume: the point to go on from, or the warning that says why
// there is none (screen::msg::kResumeOnlyScans and the like).
std::variant<ResumePoint, const screen::MessageEntry*> FindResumePoint(
    const setup::TestSetup& setup, bool pre_scan, const ResultStore& results,
    const PreScanTable& table);

// "Resume the run at F MHz (result N) ?"
std::string ResumeQuestion(const ResumePoint& point);

}  // namespace tarvos::engine
