#include "calib/csv_field.h"

#include <cstddef>
#include <optional>

#include "setup/number_forms.h"

namespace tarvos::calib {
namespace {

constexpr int kLastField = 255;
constexpr std::size_t kShortLine = 5;

// The text of field n (1 based) of the line with its closing comma, or nullopt when the
// line has fewer fields.
std::optional<std::string_view> Field(std::string_view line, int n) {
  if (n < 1 || n > kLastField) return std::nullopt;
  // The length is counted with the closing comma.
  if (line.size() + 1 > kShortLine && !line.empty() && line.front() == ' ') {
    const std::size_t first = line.find_first_not_of(' ');
    line.remove_prefix(first == std::string_view::npos ? line.size() : first);
  }
  std::size_t start = 0;
  for (int i = 1;; ++i) {
    const std::size_t comma = line.find(',', start);
    // The appended comma closes the last field.
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    if (i == n) return line.substr(start, end - start);
    if (comma == std::string_view::npos) return std::nullopt;
    start = comma + 1;
  }
}

}  // namespace

double ReadCsvField(std::string_view line, int field) {
  const auto text = Field(line, field);
  if (!text || text->empty()) return 0.0;
  return setup::ParseDecimal(*text).value_or(0.0);
}

void ReadCsvText(std::string_view line, int field, std::string& text) {
  if (const auto found = Field(line, field)) text = std::string(*found);
}

}  // namespace tarvos::calib
