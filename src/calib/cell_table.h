#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvos::calib {

inline constexpr std::size_t kCellRows = 1000;

struct CellRow {
  uint32_t Frequency = 0;  // Hz, a whole number of MHz
  std::array<float, 4> Values{};
};

// The installed cell's calibration. Rows are numbered 1 to 1000 (Rows[0] is row 1).
// MaxFrequency and RangeThreshold are mirrored into the link's AdapterLink after every
// load, since the frequency command needs them.
struct CellTable {
  std::array<CellRow, kCellRows> Rows{};
  int32_t RowCount = 0;
  float MaxFrequency = 1000.0F;   // MHz
  float RangeThreshold = 200.0F;  // MHz
  uint8_t CellRange = 1;
  uint16_t DriveScale = 0;
  uint16_t DriveOffset = 0;
  float MaxField = 15.0F;  // V/m
  std::array<float, 5> LevelPoints{0.0F, 3.0F, 5.0F, 7.0F, 10.0F};
};

}  // namespace tarvos::calib
