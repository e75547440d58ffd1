// Saving and opening a results file of 2000 entries, as File > Save As > Results + Setup
// and File > Open do: the whole layout written to a temporary file, flushed to the disk
// and renamed over the target; and read back into the records, the setup and the store.
// The save's time is mostly the disk's (two fsyncs); the open's is the program's.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "engine/result_store.h"
#include "records/file_records.h"
#include "records/record_files_context.h"
#include "records/results_file.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace {

using namespace tarvos;

constexpr uint32_t kEntries = 2000;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX");
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The records the station owns, filled as a fine scan of 2000 steps leaves them.
struct FilesRig {
  records::FileRecords Records;
  setup::TestSetup Setup;
  std::unique_ptr<engine::ResultStore> Results = std::make_unique<engine::ResultStore>();
  std::unique_ptr<engine::PreScanTable> PreScan = std::make_unique<engine::PreScanTable>();
  screen::Screen Screen;
  uint8_t AmplifierConfig = 1;
  char Delimiter = ',';

  FilesRig() {
    Records.DisplayTitle = "EUT 4711 radiated immunity";
    Records.NoteLines[0] = "Cell 10, 3 m cable, EUT powered from the filtered supply";
    Setup.TestMode = setup::kStandard;
    Setup.StartFrequency = 80'000'000;
    Setup.EndFrequency = 1'000'000'000;
    Setup.StepPercent = 0.26F;
    Setup.DwellTime = 1;
    Setup.FieldStrength = 10.0F;
    Setup.ModulationType = 4;
    const double ratio = std::pow(1000.0 / 80.0, 1.0 / (kEntries - 1));
    for (uint32_t i = 1; i <= kEntries; ++i) {
      Results->Entries[i] = {
          static_cast<uint32_t>(std::nearbyint(80e6 * std::pow(ratio, i - 1))),
          10.0 + 0.4 * std::sin(i * 0.37),
          static_cast<uint16_t>(i % 97 == 0 ? engine::kEutFault : engine::kEutOk)};
    }
    Results->Entries[0] = Results->Entries[1];
    Results->NextIndex = kEntries;
  }

  records::RecordFilesContext Context() {
    return records::RecordFilesContext{
        .Records = Records,
        .Setup = Setup,
        .Results = *Results,
        .PreScan = *PreScan,
        .Screen = Screen,
        .AmplifierConfig = AmplifierConfig,
        .FileDelimiter = Delimiter,
        .RequestVersion = {},
        .ShowModulation = {},
        .ClockText = [] { return std::string("12 March 2024 09:05"); },
    };
  }
};

void SaveResultsFile2000(benchmark::State& state) {
  TempFolder folder;
  FilesRig rig;
  const std::string path = folder.Path() + "run.RF";
  const records::RecordFilesContext context = rig.Context();
  for (auto _ : state) records::SaveResultsFile(context, path);
  state.counters["entries"] = kEntries;
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
// Mostly waiting for the disk: the minimum time counts on the wall clock, not the CPU.
BENCHMARK(SaveResultsFile2000)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

void OpenResultsFile2000(benchmark::State& state) {
  TempFolder folder;
  const std::string path = folder.Path() + "run.RF";
  {
    FilesRig written;
    records::SaveResultsFile(written.Context(), path);
  }
  FilesRig rig;
  const records::RecordFilesContext context = rig.Context();
  for (auto _ : state) records::OpenResultsFile(context, path);
  // A file that did not read back whole would make the figure meaningless.
  state.counters["entries_read"] = rig.Results->NextIndex;
}
BENCHMARK(OpenResultsFile2000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
