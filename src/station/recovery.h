#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/operator.h"
#include "records/record_files_context.h"

namespace tarvos::station {

struct ClockReading;

inline constexpr std::string_view kRecoveryFile = "recovery.RF";
// A pre-scan's: what it measured cannot be resumed, only run again.
inline constexpr std::string_view kPreScanRecoveryFile = "recovery-prescan.RF";

// "recovered-YYYYMMDD-hhnnss.RF" for the moment given; a pre-scan's
// "recovered-prescan-YYYYMMDD-hhnnss.RF".
std::string RecoveredName(const ClockReading& time, bool pre_scan = false);
// Whether the file, by its name (in any case, in any folder), is what an interrupted
// pre-scan left: recovery-prescan.RF or a recovered-prescan-*.RF.
bool IsPreScanRecoveryName(const std::string& path);

// The results of the run in progress, kept in the program folder after every recorded
// step so that a crash or a power cut loses at most the step in progress. The file has
// the results file's layout and is written atomically; the end of the run deletes it, so
// one found at start-up is what an unfinished run left. A pre-scan keeps its own file,
// so that what it left is never taken for a test's results.
class RecoveryFile {
 public:
  RecoveryFile(std::string folder, platform::Operator& op);

  std::string Path(bool pre_scan = false) const {
    return folder_ + std::string(pre_scan ? kPreScanRecoveryFile : kRecoveryFile);
  }
  // Writes the store as it is now. A failure is told once a run, and the run goes on.
  void Save(const records::RecordFilesContext& context, bool pre_scan = false);
  // The run has ended: its results are in memory and the file goes.
  void Discard();
  // At start-up: a file left behind is renamed after the moment given and named to the
  // operator (a test's as one to resume, a pre-scan's as one to run again). Returns the
  // new name of the test's file, or empty when there was none to recover.
  std::string RecoverLeftOver(const ClockReading& now);
  // A run without the window: the message of a file left behind names it in full and
  // gives the command line that resumes it with this program ("tarvos").
  void SetResumeCommand(std::string program) { resume_command_ = std::move(program); }

 private:
  // Renames the file left behind; its new name, or empty.
  std::string Recover(bool pre_scan, const ClockReading& now);

  std::string folder_;
  platform::Operator& op_;
  bool failure_told_ = false;
  std::string resume_command_;
};

}  // namespace tarvos::station
