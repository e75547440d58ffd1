#include "app/program_folder_seed.h"

#include <algorithm>
#include <optional>

#include "app/batch_lines.h"
#include "platform/system_paths.h"
#include "platform/text_file.h"

namespace tarvos::app {

SeedReport SeedProgramFolder(const std::string& source_folder, const std::string& program_folder,
                             const std::function<bool(const std::string&)>& wanted) {
  SeedReport report;
  std::optional<std::vector<std::string>> names = platform::FilesIn(source_folder);
  if (!names) {
    report.Problems.push_back(Said(batch_line::kSamplesNotListed, {source_folder}));
    return report;
  }
  std::sort(names->begin(), names->end());
  for (const std::string& name : *names) {
    if (name.starts_with(".") || (wanted && !wanted(name))) continue;
    if (platform::FindFileIgnoringCase(program_folder, name)) continue;
    std::string bytes;
    try {
      bytes = platform::ReadFileBytes(source_folder + name);
    } catch (const platform::FileError&) {
      report.Problems.push_back(Said(batch_line::kSampleNotRead, {source_folder + name}));
      continue;
    }
    try {
      platform::WriteFileAtomically(program_folder + name, bytes);
      report.Copied.push_back(name);
    } catch (const platform::FileError& failure) {
      report.Problems.push_back(
          Said(batch_line::kSampleNotCopied, {name, program_folder, failure.what()}));
    }
  }
  return report;
}

}  // namespace tarvos::app
