#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "engine/result_store.h"
#include "setup/test_setup.h"

namespace tarvos::engine {

inline constexpr std::string_view kResumeOnlyScans =
    "Only a standard or custom scan can be resumed.";
inline constexpr std::string_view kResumeNoResults = "There are no results to resume.";
inline constexpr std::string_view kResumeAtFinish = "This scan has already reached its finish.";
inline constexpr std::string_view kResumeOffSteps =
    "These results do not follow the steps of their setup; they cannot be resumed.";
inline constexpr std::string_view kResumeNeedsPreScan =
    "A pre-scanned run can only be resumed with its pre-scan loaded.";

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
// pre-scan's), checked for a resume: the point to go on from, or why there is none.
std::variant<ResumePoint, std::string_view> FindResumePoint(const setup::TestSetup& setup,
                                                            bool pre_scan,
                                                            const ResultStore& results,
                                                            const PreScanTable& table);

// "Resume the run at F MHz (result N) ?"
std::string ResumeQuestion(const ResumePoint& point);

}  // namespace tarvos::engine
