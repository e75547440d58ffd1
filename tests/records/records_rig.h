#pragma once

#include "temp_path.h"


#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/file_records.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::records {

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    path_ = testing_support::MakeTempFolder("tarvos-records");
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The records the station would own, a context over them, and a log of the calls back.
struct RecordsRig {
  FileRecords Records;
  setup::TestSetup Setup;
  std::unique_ptr<engine::ResultStore> Results = std::make_unique<engine::ResultStore>();
  std::unique_ptr<engine::PreScanTable> PreScan = std::make_unique<engine::PreScanTable>();
  screen::Screen Screen;
  uint8_t AmplifierConfig = 1;
  char Delimiter = ';';
  std::string Clock = "12 March 2024 09:05";
  std::vector<std::string> Calls;
  // Runs at each version request with its running number (from 1), before it is logged.
  std::function<void(int)> OnRequestVersion;

  RecordFilesContext Context() {
    return RecordFilesContext{
        .Records = Records,
        .Setup = Setup,
        .Results = *Results,
        .PreScan = *PreScan,
        .Screen = Screen,
        .AmplifierConfig = AmplifierConfig,
        .FileDelimiter = Delimiter,
        .RequestVersion =
            [this] {
              ++versions_;
              if (OnRequestVersion) OnRequestVersion(versions_);
              Calls.push_back("RequestVersion");
            },
        .ShowModulation = [this] { Calls.push_back("ShowModulation"); },
        .ClockText = [this] { return Clock; },
    };
  }

 private:
  int versions_ = 0;
};

// The lines of a file, split at CR LF; a final CR LF does not start another line.
inline std::vector<std::string> FileLines(const std::string& path) {
  platform::TextReader reader = platform::TextReader::Open(path);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

inline std::string FileBytes(const std::string& path) {
  std::string content;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    std::fclose(file);
  }
  return content;
}

inline void WriteBytes(const std::string& path, const std::string& content) {
  platform::WriteFileAtomically(path, content);
}

}  // namespace tarvos::records
