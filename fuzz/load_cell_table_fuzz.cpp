// Any bytes as a cell calibration file: installed from a supplier's folder into the
// program folder and loaded as the program loads it, then looked up. The installed copy
// reads as its source does, the table keeps its bounds and range, the link gets the
// cell's limits, and every set point is one the level command can carry.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "calib/cell_drive.h"
#include "calib/cell_file.h"
#include "calib/cell_table.h"
#include "calib/csv_field.h"
#include "calib/settings.h"
#include "engine/result_store.h"
#include "fuzz_folder.h"
#include "link/adapter_link.h"
#include "link_fuzz_rig.h"
#include "platform/scripted_operator.h"
#include "platform/text_file.h"
#include "screen/screen.h"

namespace {

using tarvos::fuzz::Check;

const std::string& Subfolder(const char* name) {
  static std::string source, program;
  std::string& folder = std::string(name) == "source" ? source : program;
  if (folder.empty()) {
    folder = tarvos::fuzz::FuzzFolder() + name + "/";
    std::filesystem::create_directories(folder);
  }
  return folder;
}

bool SameTable(const tarvos::calib::CellTable& a, const tarvos::calib::CellTable& b) {
  for (std::size_t i = 0; i < tarvos::calib::kCellRows; ++i) {
    if (a.Rows[i].Frequency != b.Rows[i].Frequency || a.Rows[i].Values != b.Rows[i].Values) {
      return false;
    }
  }
  return a.RowCount == b.RowCount && a.MaxFrequency == b.MaxFrequency &&
         a.RangeThreshold == b.RangeThreshold && a.CellRange == b.CellRange &&
         a.DriveScale == b.DriveScale && a.MaxField == b.MaxField && a.LevelPoints == b.LevelPoints;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  const std::string& source = Subfolder("source");
  const std::string& program = Subfolder("program");
  fuzz::WriteInput(source + "cell0010.csv", data, size);

  // The file as read straight from the bytes.
  const std::string content(reinterpret_cast<const char*>(data), size);
  platform::TextReader reader(content);
  platform::ScriptedOperator direct_op;
  calib::CellTable direct;
  reader.ReadLine();  // the heading
  calib::ReadCellLines(reader, direct, direct_op);

  // Installed and loaded as the operator does it.
  calib::CellTable cell;
  calib::Settings config;
  config.CellSerial = "10";
  config.DefaultPath = program;
  link::AdapterLink link;
  platform::ScriptedOperator op;
  op.QueueFile(source);
  calib::CellFileContext context{cell, config, link, op};
  Check(calib::InstallCellFile(context).Outcome == calib::CellInstall::Installed,
        "a readable cell file installs");
  op.ClearHistory();
  Check(calib::LoadCellTable(context) == calib::CellLoad::Loaded, "an installed file loads");
  Check(SameTable(cell, direct), "the installed copy reads as its source");
  Check(op.Texts() == direct_op.Texts(), "the installed copy gives the same messages");
  Check(link.MaxFrequency == cell.MaxFrequency && link.RangeThreshold == cell.RangeThreshold,
        "the link gets the cell's limits");

  Check(cell.RowCount >= 0 && cell.RowCount <= static_cast<int32_t>(calib::kCellRows),
        "the row count stays inside the table");
  Check(cell.CellRange >= 1 && cell.CellRange <= 3, "the cell range is 1 to 3");
  static constexpr float kMaxFields[] = {15.0F, 30.0F, 40.0F};
  Check(cell.MaxField == kMaxFields[cell.CellRange - 1], "the maximum field of the range");
  Check(std::isfinite(cell.MaxFrequency) && std::isfinite(cell.RangeThreshold),
        "the frequency limits are numbers");
  for (int32_t row = 0; row < cell.RowCount; ++row) {
    Check(cell.Rows[static_cast<std::size_t>(row)].Frequency % 1'000'000 == 0,
          "a row's frequency is a whole number of MHz");
  }

  std::string text;
  calib::ReadCsvText(content, 2, text);
  calib::ReadCsvField(content, 255);

  engine::ResultStore results;
  screen::Screen screen;
  for (const uint32_t hz : {0U, 29'900'000U, 150'000'000U, 1'000'000'000U, 4'294'967'295U}) {
    for (const double field : {0.0, 1.0, 9.99, 45.0, -3.0}) {
      results.NextIndex = hz % 3000;
      const uint16_t set_point =
          calib::CellDrive(cell, 200'000'000U, hz, field, results, screen, op);
      Check(set_point >= 1, "the set point is 1 to 65535");
    }
  }
  return 0;
}
