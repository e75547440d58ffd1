#include "station/recovery.h"

#include <utility>

#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "records/results_file.h"
#include "screen/messages.h"
#include "setup/setup_block.h"
#include "setup/test_setup.h"
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

// Whether a results file was written by a single-frequency test, by its setup's mode; a
// file that does not read is taken as a scan's.
bool IsSingleFrequencyResults(const std::string& path) {
  try {
    platform::TextReader reader = platform::TextReader::Open(path);
    for (int line = 1; line <= 8; ++line) reader.ReadLine();  // the results' heading
    setup::TestSetup setup;
    uint8_t amplifiers = 0;
    setup::ReadSetupBlock(reader, setup, setup::SetupBlockContext{amplifiers, nullptr, nullptr});
    return setup::IsSingleMode(setup.TestMode);
  } catch (const platform::FileError&) {
    return false;
  }
}

}  // namespace

std::string RecoveredName(const ClockReading& time, bool pre_scan) {
  std::string name = pre_scan ? "recovered-prescan-" : "recovered-";
  AppendDigits(name, time.Year, 4);
  AppendDigits(name, time.Month, 2);
  AppendDigits(name, time.Day, 2);
  name += '-';
  AppendDigits(name, time.Hour, 2);
  AppendDigits(name, time.Minute, 2);
  AppendDigits(name, time.Second, 2);
  return name + ".RF";
}

bool IsPreScanRecoveryName(const std::string& path) {
  std::string name(platform::FileNameOf(path));
  for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return name == "recovery-prescan.rf" ||
         (name.starts_with("recovered-prescan-") && name.ends_with(".rf"));
}

RecoveryFile::RecoveryFile(std::string folder, platform::Operator& op)
    : folder_(std::move(folder)), op_(op) {}

void RecoveryFile::Save(const records::RecordFilesContext& context, bool pre_scan) {
  // No version requests to the synthesiser in the middle of a run: only the file.
  records::RecordFilesContext quiet = context;
  quiet.RequestVersion = nullptr;
  try {
    records::SaveResultsFile(quiet, Path(pre_scan));
  } catch (const platform::FileError& error) {
    if (failure_told_) return;
    failure_told_ = true;
    screen::Tell(op_, screen::msg::kRecoveryNotWritten, {error.what()});
  }
}

void RecoveryFile::Discard() {
  failure_told_ = false;
  platform::RemoveFile(Path());
  platform::RemoveFile(Path(true));
}

std::string RecoveryFile::RecoverLeftOver(const ClockReading& now) {
  Recover(true, now);
  return Recover(false, now);
}

std::string RecoveryFile::Recover(bool pre_scan, const ClockReading& now) {
  const std::string left = Path(pre_scan);
  if (!platform::FileExists(left)) return {};
  // Never over an earlier recovered file: a second one in the same second takes a number.
  const std::string stem = RecoveredName(now, pre_scan);
  std::string name = stem;
  for (int n = 2; platform::FileExists(folder_ + name); ++n) {
    name = stem.substr(0, stem.size() - 3) + "-" + std::to_string(n) + ".RF";
  }
  try {
    platform::RenameFile(left, folder_ + name);
  } catch (const platform::FileError& error) {
    screen::Tell(op_, pre_scan ? screen::msg::kPreScanRecoveryNotRenamed
                               : screen::msg::kRecoveryNotRenamed,
                 {error.what()});
    return {};
  }
  // Without the window there is no menu to resume from: the full path, and the command.
  const std::string shown = resume_command_.empty() ? name : folder_ + name;
  if (pre_scan) {
    screen::Tell(op_, screen::msg::kRecoveredPreScan, {shown});
    return {};
  }
  if (IsSingleFrequencyResults(folder_ + name)) {
    screen::Tell(op_, screen::msg::kRecoveredSingle, {shown});
  } else if (resume_command_.empty()) {
    screen::Tell(op_, screen::msg::kRecoveredRun, {name});
  } else {
    screen::Tell(op_, screen::msg::kRecoveredRunBatch, {shown, resume_command_, shown});
  }
  return name;
}

}  // namespace tarvos::station
