#pragma once

#include <array>
#include <cstdint>

#include "sim/cell_calibration.h"

namespace tarvos::sim {

// The field levels (V/m) of a cell range; level 0 is always 0 V/m. A range other than
// 1 to 3 is taken as range 1, as the program does.
std::array<float, 5> LevelPoints(uint8_t cell_range);

// The calibration value at a frequency and field, interpolated the way the program's cell
// lookup does: linear in field through (0, 0) and the four level points (extrapolated along
// the top segment), then linear in frequency between the bracketing rows (extrapolated from
// the first or last two). Frequencies are taken within 29.9 MHz and the last row + 0.1 MHz.
// A table without rows gives 0; a single row is used at every frequency.
float CellValue(const CellCalibration& cell, double frequency_hz, double field_vm);

// What the probe reads without noise: DriveScale x CellValue + DriveOffset, unclamped.
float ProbeCounts(const CellCalibration& cell, double frequency_hz, double field_vm);

}  // namespace tarvos::sim
