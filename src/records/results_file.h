#pragma once

#include <string>
#include <string_view>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/record_files_context.h"

namespace tarvos::records {

inline constexpr std::string_view kSoftwareVersionHeading = "Software Version";
inline constexpr std::string_view kSoftwareVersion = "1.59 12th January 2007";
inline constexpr std::string_view kDateTimeHeading = "Date & Time ";
inline constexpr std::string_view kTitleHeading = "Title";
inline constexpr std::string_view kProcedureHeading = "Procedure Name";
inline constexpr std::string_view kNotesEnd = "finish";

// The column heading and one entry line of a results file.
std::string ResultsColumnHeading(char delimiter);
std::string ResultsEntryLine(const engine::ResultPoint& entry, char delimiter);

// The results layout: heading lines, the setup block, the notes, and the entries 0 to
// next index. Throws platform::FileError; a failed save leaves the previous file whole.
void SaveResultsFile(const RecordFilesContext& context, const std::string& path);

// Reads a results file into the records, the setup and the store, then shows the title
// and asks for a redraw. Throws platform::FileError; values read before a failure stay.
void OpenResultsFile(const RecordFilesContext& context, const std::string& path);
// The same on a file already read in.
void ReadResultsFile(const RecordFilesContext& context, platform::TextReader& reader);

}  // namespace tarvos::records
