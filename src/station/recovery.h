#pragma once

#include <string>
#include <string_view>

#include "platform/operator.h"
#include "records/record_files_context.h"

namespace tarvos::station {

struct ClockReading;

inline constexpr std::string_view kRecoveryFile = "recovery.RF";

// "recovered-YYYYMMDD-hhnnss.RF" for the moment given.
std::string RecoveredName(const ClockReading& time);

// The results of the run in progress, kept in the program folder after every recorded
// step so that a crash or a power cut loses at most the step in progress. The file has
// the results file's layout and is written atomically; the end of the run deletes it, so
// one found at start-up is what an unfinished run left.
class RecoveryFile {
 public:
  RecoveryFile(std::string folder, platform::Operator& op);

  std::string Path() const { return folder_ + std::string(kRecoveryFile); }
  // Writes the store as it is now. A failure is told once a run, and the run goes on.
  void Save(const records::RecordFilesContext& context);
  // The run has ended: its results are in memory and the file goes.
  void Discard();
  // At start-up: a file left behind is renamed after the moment given and named to the
  // operator. Returns the new name, or empty when there was nothing to recover.
  std::string RecoverLeftOver(const ClockReading& now);

 private:
  std::string folder_;
  platform::Operator& op_;
  bool failure_told_ = false;
};

}  // namespace tarvos::station
