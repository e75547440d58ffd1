// Any bytes as a pre-scan file: no row is written past the table, next index stays in it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/file_records.h"
#include "records/prescan_file.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::fuzz {
namespace {

// The records of the file routines, on the heap (the store is large).
struct FuzzRecords {
  records::FileRecords Records;
  setup::TestSetup Setup;
  std::unique_ptr<engine::ResultStore> Results = std::make_unique<engine::ResultStore>();
  std::unique_ptr<engine::PreScanTable> PreScan = std::make_unique<engine::PreScanTable>();
  screen::Screen Screen;
  uint8_t AmplifierConfig = 0;
  char Delimiter = ';';

  records::RecordFilesContext Context() {
    return records::RecordFilesContext{Records,         Setup,     *Results, *PreScan, Screen,
                                       AmplifierConfig, Delimiter, {},       {},       {}};
  }
};

// The first byte picks the delimiter, so the blank path is fuzzed too.
char DelimiterOf(const uint8_t* data, size_t size) {
  if (size == 0) return ';';
  switch (data[0] % 4) {
    case 0:
      return ';';
    case 1:
      return ' ';
    case 2:
      return ',';
    default:
      return '\t';
  }
}

}  // namespace
}  // namespace tarvos::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvos::fuzz::FuzzRecords records;
  records.Delimiter = tarvos::fuzz::DelimiterOf(data, size);
  tarvos::platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  try {
    tarvos::records::ReadPreScanFile(records.Context(), reader);
  } catch (const tarvos::platform::FileError&) {
  }
  if (records.Results->NextIndex >= tarvos::engine::kEntries) std::abort();
  return 0;
}
