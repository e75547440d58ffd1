#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvos::sim {

// One calibration row: the values that give the four field levels of the cell's range
// at a whole-MHz frequency, before DriveScale and DriveOffset are applied.
struct CellRow {
  uint32_t FrequencyMhz = 0;
  std::array<float, 4> Values{};
};

// The calibration of the cell the simulated probe sits in, with the same numbers a cell
// file carries.
struct CellCalibration {
  std::string Serial;
  std::string Heading;
  float RangeThreshold = 200.0F;  // MHz
  uint8_t CellRange = 1;
  uint16_t DriveScale = 26214;
  uint16_t DriveOffset = 0;
  std::vector<CellRow> Rows;  // in increasing frequency
};

// The simulator's own cell (serial "10"). The sample cell file shipped with the program
// holds exactly these numbers, so a first start on the simulator levels correctly.
CellCalibration DefaultCellCalibration();

}  // namespace tarvos::sim
