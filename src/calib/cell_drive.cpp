#include "calib/cell_drive.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>

#include "screen/messages.h"
#include "setup/number_forms.h"

namespace tarvos::calib {
namespace {

constexpr double kLowestFrequencyHz = 29'900'000.0;
constexpr double kHzPerMhz = 1'000'000.0;
constexpr double kLowestSetPoint = 1.0;
constexpr double kHighestSetPoint = 65535.0;

// The value as the table keeps it, or nullopt when single precision cannot hold it: the
// arithmetic fault of the lookup.
std::optional<float> AsFloat(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
    return std::nullopt;
  }
  return static_cast<float>(value);
}

double Interpolate(double x1, double x2, double x, double y1, double y2) {
  if (x2 == x1) return 0.0;
  return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
}

// Rows are numbered from 1 as the file holds them.
const CellRow& Row(const CellTable& cell, std::size_t number) { return cell.Rows[number - 1]; }

// The upper of the two rows that bracket the frequency; never below 2, so a frequency
// outside the table extrapolates from its first or last two rows.
std::size_t UpperRow(const CellTable& cell, double frequency_hz, double max_hz) {
  const std::size_t last =
      cell.RowCount > 0 ? std::min<std::size_t>(static_cast<std::size_t>(cell.RowCount), kCellRows)
                        : 0;
  std::size_t k = 2;
  while (k < last) {
    const double row_hz = Row(cell, k).Frequency;
    if (frequency_hz <= row_hz || row_hz >= max_hz) break;
    ++k;
  }
  return k;
}

// The level segment j (1 to 4) whose upper point is the first at or above the target.
std::size_t LevelSegment(const CellTable& cell, double target) {
  for (std::size_t j = 1; j <= 4; ++j) {
    if (cell.LevelPoints[j] >= target) return j;
  }
  return 4;
}

// The value of a row at the target on segment j; the value at 0 V/m is 0.
std::optional<float> RowValue(const CellTable& cell, const CellRow& row, std::size_t j,
                              double target) {
  const double a = j == 1 ? 0.0 : row.Values[j - 2];
  const double b = row.Values[j - 1];
  return AsFloat(Interpolate(cell.LevelPoints[j - 1], cell.LevelPoints[j], target, a, b));
}

// The calibration value at the frequency and target, before scaling; nullopt on an
// arithmetic fault.
std::optional<float> CalibrationValue(const CellTable& cell, double frequency_hz, double target) {
  const double max_hz = static_cast<double>(cell.MaxFrequency) * kHzPerMhz;
  const std::size_t k = UpperRow(cell, frequency_hz, max_hz);
  const std::size_t j = LevelSegment(cell, target);
  const CellRow& upper_row = Row(cell, k);
  const CellRow& lower_row = Row(cell, k - 1);
  const auto upper = RowValue(cell, upper_row, j, target);
  const auto lower = RowValue(cell, lower_row, j, target);
  if (!upper || !lower) return std::nullopt;
  const auto d =
      AsFloat(Interpolate(lower_row.Frequency, upper_row.Frequency, frequency_hz, *lower, *upper));
  if (!d) return std::nullopt;
  // The scaled value must still be a float.
  if (!AsFloat(cell.DriveScale * static_cast<double>(*d) + cell.DriveOffset)) return std::nullopt;
  return d;
}

}  // namespace

uint16_t CellDrive(const CellTable& cell, uint32_t end_frequency_hz, uint32_t frequency_hz,
                   double target, engine::ResultStore& results, screen::Screen& screen,
                   platform::Operator& op) {
  double f = frequency_hz;
  if (f > static_cast<double>(cell.MaxFrequency) * kHzPerMhz) f = end_frequency_hz;
  if (f < kLowestFrequencyHz) f = kLowestFrequencyHz;

  auto d = CalibrationValue(cell, f, target);
  if (!d) {
    screen::Tell(op, screen::msg::kCellFileError);
    d = 0.0F;
  }
  const float s = static_cast<float>(cell.DriveScale * static_cast<double>(*d) + cell.DriveOffset);

  screen.diagnostics.cell_drive = setup::FormatFixed(s, 0, 2);
  // A target of 0 V/m (single frequency accepts it) gives no ratio: the scale stays.
  if (target > 0.0) {
    results.ProbeScale[engine::EntryIndex(results.NextIndex)] = static_cast<double>(s) / target;
  }

  double clamped = s;
  if (clamped > kHighestSetPoint) clamped = kHighestSetPoint;
  if (clamped < kLowestSetPoint) clamped = kLowestSetPoint;
  return static_cast<uint16_t>(std::nearbyint(clamped));
}

}  // namespace tarvos::calib
