#pragma once

#include <string>

#include "platform/text_file.h"
#include "records/record_files_context.h"

namespace tarvos::records {

// Where the frequencies of the pre-scan rows come from. Right at the end of a pre-scan
// only the store holds them (the table takes them afterwards); a Save As later, after a
// pre-scan file was opened or another run has filled the store, wants the table's.
enum class PreScanFrequencies { FromResults, FromPreScanTable };

// One row: frequency and DAC value, whole, joined by the delimiter, no blanks.
std::string PreScanRow(uint32_t frequency, uint16_t dac_value, char delimiter);

// Sets PreScanFileName, then writes the setup block and a row for each entry 1 to 2000
// whose frequency is not 0. Throws platform::FileError; a failed save leaves the
// previous file whole.
void SavePreScanFile(const RecordFilesContext& context, const std::string& path,
                     PreScanFrequencies frequencies);

// Reads the file named by PreScanFileName: the setup, then rows 1, 2, ... into the
// pre-scan table; next index of the store becomes the number of rows. Throws
// platform::FileError; values read before a failure stay.
void OpenPreScanFile(const RecordFilesContext& context);
// The same on a file already read in.
void ReadPreScanFile(const RecordFilesContext& context, platform::TextReader& reader);

}  // namespace tarvos::records
