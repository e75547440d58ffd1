// Any bytes as a pre-scan file: no row is written past the table, next index stays in
// it, and what was read saves and reopens to the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/prescan_file.h"
#include "records_fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  fuzz::FuzzRecords records;
  records.Delimiter = fuzz::DelimiterOf(data, size);
  platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  try {
    records::ReadPreScanFile(records.Context(), reader);
  } catch (const platform::FileError&) {
    fuzz::Check(records.Results->NextIndex == 0, "a pre-scan file that fails sets no next index");
    return 0;
  }
  fuzz::Check(records.Results->NextIndex < engine::kEntries, "next index inside the table");
  fuzz::CheckSaveAndReopen(
      records,
      [](fuzz::FuzzRecords& r, const std::string& path) {
        records::SavePreScanFile(r.Context(), path, records::PreScanFrequencies::FromPreScanTable);
        fuzz::Check(r.Records.PreScanFileName == path, "a save names the pre-scan file");
      },
      [](fuzz::FuzzRecords& r, const std::string& path) {
        r.Records.PreScanFileName = path;
        records::OpenPreScanFile(r.Context());
      },
      "a pre-scan file read, saved and reopened saves the same");
  return 0;
}
