#pragma once

// What the file-reader fuzz targets share: the records the routines fill, and the
// delimiter chosen by the first input byte.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/result_store.h"
#include "records/file_records.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::fuzz {

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
inline char DelimiterOf(const uint8_t* data, size_t size) {
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

}  // namespace tarvos::fuzz

