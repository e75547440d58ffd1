#include "sim/cell_value.h"

#include <algorithm>
#include <cstddef>

namespace tarvos::sim {
namespace {

constexpr double kLowestFrequencyHz = 29.9e6;
constexpr double kTopMarginHz = 0.1e6;

double Interpolate(double x1, double x2, double x, double y1, double y2) {
  if (x2 == x1) return 0.0;
  return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
}

// The value of one row at a field, on level segment j (1 to 4).
float RowValue(const CellRow& row, const std::array<float, 5>& points, std::size_t j,
               double field_vm) {
  const double a = j == 1 ? 0.0 : row.Values[j - 2];
  const double b = row.Values[j - 1];
  return static_cast<float>(Interpolate(points[j - 1], points[j], field_vm, a, b));
}

double RowHz(const CellRow& row) { return static_cast<double>(row.FrequencyMhz) * 1e6; }

}  // namespace

std::array<float, 5> LevelPoints(uint8_t cell_range) {
  switch (cell_range) {
    case 2:
      return {0.0F, 3.0F, 7.0F, 12.0F, 20.0F};
    case 3:
      return {0.0F, 3.0F, 7.0F, 12.0F, 30.0F};
    default:
      return {0.0F, 3.0F, 5.0F, 7.0F, 10.0F};
  }
}

float CellValue(const CellCalibration& cell, double frequency_hz, double field_vm) {
  const auto& rows = cell.Rows;
  if (rows.empty()) return 0.0F;
  const auto points = LevelPoints(cell.CellRange);

  std::size_t j = 1;
  while (j < 4 && points[j] < field_vm) ++j;

  if (rows.size() == 1) return RowValue(rows.front(), points, j, field_vm);

  const double f = std::clamp(frequency_hz, kLowestFrequencyHz, RowHz(rows.back()) + kTopMarginHz);
  // The upper row is never the first, so a frequency outside the table extrapolates from
  // its first or last two rows.
  std::size_t k = 1;
  while (k < rows.size() - 1 && f > RowHz(rows[k])) ++k;

  const float upper = RowValue(rows[k], points, j, field_vm);
  const float lower = RowValue(rows[k - 1], points, j, field_vm);
  return static_cast<float>(Interpolate(RowHz(rows[k - 1]), RowHz(rows[k]), f, lower, upper));
}

float ProbeCounts(const CellCalibration& cell, double frequency_hz, double field_vm) {
  const double value = CellValue(cell, frequency_hz, field_vm);
  return static_cast<float>(cell.DriveScale * value + cell.DriveOffset);
}

}  // namespace tarvos::sim
