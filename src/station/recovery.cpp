#include "station/recovery.h"

#include <utility>

#include "platform/text_file.h"
#include "records/results_file.h"
#include "screen/messages.h"
#include "station/station.h"

namespace tarvos::station {
namespace {

void AppendDigits(std::string& text, int value, int width) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  if (digits.size() < static_cast<std::size_t>(width)) {
    text.append(static_cast<std::size_t>(width) - digits.size(), '0');
  }
  text += digits;
}

}  // namespace

std::string RecoveredName(const ClockReading& time) {
  std::string name = "recovered-";
  AppendDigits(name, time.Year, 4);
  AppendDigits(name, time.Month, 2);
  AppendDigits(name, time.Day, 2);
  name += '-';
  AppendDigits(name, time.Hour, 2);
  AppendDigits(name, time.Minute, 2);
  AppendDigits(name, time.Second, 2);
  return name + ".RF";
}

RecoveryFile::RecoveryFile(std::string folder, platform::Operator& op)
    : folder_(std::move(folder)), op_(op) {}

void RecoveryFile::Save(const records::RecordFilesContext& context) {
  // No version requests to the synthesiser in the middle of a run: only the file.
  records::RecordFilesContext quiet = context;
  quiet.RequestVersion = nullptr;
  try {
    records::SaveResultsFile(quiet, Path());
  } catch (const platform::FileError& error) {
    if (failure_told_) return;
    failure_told_ = true;
    screen::Tell(op_, screen::msg::kRecoveryNotWritten, {error.what()});
  }
}

void RecoveryFile::Discard() {
  failure_told_ = false;
  platform::RemoveFile(Path());
}

std::string RecoveryFile::RecoverLeftOver(const ClockReading& now) {
  const std::string left = Path();
  if (!platform::FileExists(left)) return {};
  // Never over an earlier recovered file: a second one in the same second takes a number.
  const std::string stem = RecoveredName(now);
  std::string name = stem;
  for (int n = 2; platform::FileExists(folder_ + name); ++n) {
    name = stem.substr(0, stem.size() - 3) + "-" + std::to_string(n) + ".RF";
  }
  try {
    platform::RenameFile(left, folder_ + name);
  } catch (const platform::FileError& error) {
    screen::Tell(op_, screen::msg::kRecoveryNotRenamed, {error.what()});
    return {};
  }
  screen::Tell(op_, screen::msg::kRecoveredRun, {name});
  return name;
}

}  // namespace tarvos::station
