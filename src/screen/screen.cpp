#include "screen/screen.h"

#include <algorithm>
#include <utility>

namespace tarvos::screen {

void DeviceGrid::Set(std::size_t row, std::size_t column, std::string text) {
  if (column >= kColumns) return;
  if (row >= rows_.size()) rows_.resize(row + 1);
  rows_[row][column] = std::move(text);
}

const std::string& DeviceGrid::Get(std::size_t row, std::size_t column) const {
  static const std::string kEmpty;
  if (row >= rows_.size() || column >= kColumns) return kEmpty;
  return rows_[row][column];
}

void DeviceGrid::Clear(std::size_t first_row, std::size_t last_row, std::size_t first_column,
                       std::size_t last_column) {
  last_row = std::min(last_row, rows_.empty() ? 0 : rows_.size() - 1);
  last_column = std::min(last_column, kColumns - 1);
  if (rows_.empty()) return;
  for (std::size_t r = first_row; r <= last_row; ++r) {
    for (std::size_t c = first_column; c <= last_column; ++c) rows_[r][c].clear();
  }
}

}  // namespace tarvos::screen
