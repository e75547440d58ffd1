#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace tarvos::records {

inline constexpr std::size_t kNoteLines = 8;

// The texts the file commands keep between them.
struct FileRecords {
  std::string DisplayTitle;   // the Title command and the last results file opened
  std::string ProcedureName;  // only a results file sets it
  std::array<std::string, kNoteLines> NoteLines{};
  std::string SavedDateTime;    // the clock text of the results file last opened
  std::string ResultsFileName;  // the target of Save Results
  std::string PreScanFileName;  // the pre-scan file last saved or opened
};

}  // namespace tarvos::records
