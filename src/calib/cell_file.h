#pragma once

#include <string>
#include <string_view>

#include "calib/cell_table.h"
#include "calib/settings.h"
#include "link/adapter_link.h"
#include "platform/operator.h"
#include "platform/text_file.h"

namespace tarvos::calib {

// What the cell file operations read and change. The link gets MaxFrequency and
// RangeThreshold after every load, since the frequency command needs them.
struct CellFileContext {
  CellTable& Cell;
  Settings& Config;  // CellSerial and DefaultPath
  link::AdapterLink& Link;
  platform::Operator& Op;
};

// default_path + "cell" + four characters of the serial + ".csv": the serial with one
// "0" in front, padded with "0"s in front to four characters, its first four taken
// (7 -> cell0007.csv, 12345 -> cell0123.csv).
std::string CellFileName(std::string_view default_path, std::string_view serial);

// Sets MaxField and LevelPoints from CellRange; a range outside 1 to 3 becomes 1, with
// a warning.
void ApplyCellRange(CellTable& cell, platform::Operator& op);

// The lines of a cell file after its heading, into the table: DATA lines and rows.
// Rows beyond the 1000th, rows above 4294 MHz and values that do not fit the table are
// not stored. Rows above the last one read keep what they held.
void ReadCellLines(platform::TextReader& reader, CellTable& cell, platform::Operator& op);

enum class CellLoad { Loaded, Missing, Unreadable };

// Reads the current cell's file into the table. A missing file asks whether to install
// one (and does so on Yes, without reading it); an unreadable one shows the file error.
CellLoad LoadCellTable(CellFileContext& context);

enum class CellInstall { Cancelled, Installed, Failed };

struct CellInstallResult {
  CellInstall Outcome = CellInstall::Cancelled;
  // "Enter Source Path for Calibration File for Cell " + the serial asked for.
  std::string SourceLabel;
};

// Asks for the cell's serial number and the folder holding its file, and copies the
// file into the program folder line by line (a failed copy leaves the old file whole).
// The table is not reloaded.
CellInstallResult InstallCellFile(CellFileContext& context);

}  // namespace tarvos::calib
