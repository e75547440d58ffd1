// Any bytes as a setup file: the block is read with the version requested around it and
// the modulation shown after it, and what was read saves and reopens to the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text_file.h"
#include "records/setup_file.h"
#include "records_fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  fuzz::FuzzRecords records;
  records.Delimiter = fuzz::DelimiterOf(data, size);
  platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  std::string order;
  auto context = records.Context();
  context.RequestVersion = [&order] { order += 'v'; };
  context.ShowModulation = [&order] { order += 'm'; };
  try {
    records::ReadSetupFile(context, reader, [&order] { order += 'c'; });
  } catch (const platform::FileError&) {
    // The block requests the version after its line 21, so a failure shows one or two.
    fuzz::Check(order == "v" || order == "vv", "a failed setup file stops at the bad number");
    return 0;
  }
  fuzz::Check(order == "vvmcv", "version, block, modulation, the caller's step, version");
  fuzz::CheckSaveAndReopen(
      records,
      [](fuzz::FuzzRecords& r, const std::string& path) {
        records::SaveSetupFile(r.Context(), path);
      },
      [](fuzz::FuzzRecords& r, const std::string& path) {
        records::OpenSetupFile(r.Context(), path);
      },
      "a setup file read, saved and reopened saves the same");
  return 0;
}
