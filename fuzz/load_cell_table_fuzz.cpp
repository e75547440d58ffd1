// Cell calibration files as the program reads them, then the lookup over what they left
// in the table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "calib/cell_drive.h"
#include "calib/cell_file.h"
#include "calib/cell_table.h"
#include "calib/csv_field.h"
#include "engine/result_store.h"
#include "platform/scripted_operator.h"
#include "platform/text_file.h"
#include "screen/screen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  std::string content(reinterpret_cast<const char*>(data), size);
  platform::TextReader reader(content);
  platform::ScriptedOperator op;
  calib::CellTable cell;
  reader.ReadLine();  // the heading
  calib::ReadCellLines(reader, cell, op);

  std::string text;
  calib::ReadCsvText(content, 2, text);
  calib::ReadCsvField(content, 255);

  engine::ResultStore results;
  screen::Screen screen;
  for (const uint32_t hz : {0U, 29'900'000U, 150'000'000U, 1'000'000'000U, 4'294'967'295U}) {
    for (const double field : {0.0, 1.0, 9.99, 45.0, -3.0}) {
      results.NextIndex = hz % 3000;
      calib::CellDrive(cell, 200'000'000U, hz, field, results, screen, op);
    }
  }
  return 0;
}
