#pragma once

// What the file-reader fuzz targets share: the records the routines fill, the
// delimiter chosen by the first input byte, and the save-and-reopen check.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "engine/result_store.h"
#include "fuzz_folder.h"
#include "link_fuzz_rig.h"
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

inline std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a file read leaves must save as a file that reads back to the same state: saved,
// reopened into fresh records with the same delimiter and saved again, the two files are
// the same byte for byte. Both saves go through the program's own save routines.
inline void CheckSaveAndReopen(FuzzRecords& read,
                               const std::function<void(FuzzRecords&, const std::string&)>& save,
                               const std::function<void(FuzzRecords&, const std::string&)>& open,
                               const char* what) {
  const std::string first = FuzzFolder() + "first";
  const std::string second = FuzzFolder() + "second";
  save(read, first);
  FuzzRecords reopened;
  reopened.Delimiter = read.Delimiter;
  open(reopened, first);
  save(reopened, second);
  Check(FileText(first) == FileText(second), what);
}

}  // namespace tarvos::fuzz
