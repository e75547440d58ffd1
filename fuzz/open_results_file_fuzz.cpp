// Any bytes as a results file: no entry is written past the table, next index stays in
// it, and what was read saves and reopens to the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/results_file.h"
#include "records_fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  fuzz::FuzzRecords records;
  records.Delimiter = fuzz::DelimiterOf(data, size);
  platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  try {
    records::ReadResultsFile(records.Context(), reader);
  } catch (const platform::FileError&) {
    fuzz::Check(records.Results->NextIndex == 0, "a results file that fails sets no next index");
    return 0;
  }
  fuzz::Check(records.Results->NextIndex < engine::kEntries, "next index inside the table");
  fuzz::Check(records.Screen.title_label == records.Records.DisplayTitle,
              "the title shown is the title read");
  const uint32_t next_index = records.Results->NextIndex;
  fuzz::CheckSaveAndReopen(
      records,
      [](fuzz::FuzzRecords& r, const std::string& path) {
        records::SaveResultsFile(r.Context(), path);
      },
      [next_index](fuzz::FuzzRecords& r, const std::string& path) {
        records::OpenResultsFile(r.Context(), path);
        fuzz::Check(r.Results->NextIndex == next_index, "a saved results file keeps next index");
      },
      "a results file read, saved and reopened saves the same");
  return 0;
}
