// Any bytes as a results file: no entry is written past the table, next index stays in it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/results_file.h"
#include "records_fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvos::fuzz::FuzzRecords records;
  records.Delimiter = tarvos::fuzz::DelimiterOf(data, size);
  tarvos::platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  try {
    tarvos::records::ReadResultsFile(records.Context(), reader);
  } catch (const tarvos::platform::FileError&) {
  }
  if (records.Results->NextIndex >= tarvos::engine::kEntries) std::abort();
  return 0;
}
