#include "app/program_folder_seed.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/text_file.h"

namespace tarvos::app {
namespace {

std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

std::vector<std::string> SourceNames(const std::string& source_folder, std::error_code& error) {
  std::vector<std::string> names;
  for (std::filesystem::directory_iterator it(source_folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    const std::string name = it->path().filename().string();
    if (name.starts_with(".") || !it->is_regular_file(ignored)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

SeedReport SeedProgramFolder(const std::string& source_folder, const std::string& program_folder) {
  SeedReport report;
  std::error_code error;
  const std::vector<std::string> names = SourceNames(source_folder, error);
  if (error) {
    report.Problems.push_back("the sample files in " + source_folder +
                              " cannot be listed: " + error.message());
    return report;
  }
  for (const std::string& name : names) {
    if (platform::FindFileIgnoringCase(program_folder, name)) continue;
    const std::optional<std::string> bytes = ReadWhole(source_folder + name);
    if (!bytes) {
      report.Problems.push_back(source_folder + name + " cannot be read");
      continue;
    }
    try {
      platform::WriteFileAtomically(program_folder + name, *bytes);
      report.Copied.push_back(name);
    } catch (const platform::FileError& failure) {
      report.Problems.push_back(name + " cannot be copied into " + program_folder + ": " +
                                failure.what());
    }
  }
  return report;
}

}  // namespace tarvos::app
