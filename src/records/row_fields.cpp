#include "records/row_fields.h"

#include <cmath>

#include "setup/number_forms.h"

namespace tarvos::records {

std::vector<std::string_view> RowFields(std::string_view line, char delimiter,
                                        std::size_t max_fields) {
  // The appended delimiter closes the last field; the leading blanks go while the line
  // with it is longer than five characters.
  std::size_t start = 0;
  while (start < line.size() && line[start] == ' ' && line.size() + 1 - start > 5) ++start;
  line.remove_prefix(start);
  std::vector<std::string_view> fields;
  while (fields.size() < max_fields) {
    const auto end = line.find(delimiter);
    if (end == std::string_view::npos) {
      fields.push_back(line);
      break;
    }
    fields.push_back(line.substr(0, end));
    line.remove_prefix(end + 1);
  }
  return fields;
}

std::optional<double> FieldNumber(std::string_view field) { return setup::ParseDecimal(field); }

std::optional<uint64_t> FieldWhole(std::string_view field, uint64_t max) {
  const auto value = FieldNumber(field);
  if (!value) return std::nullopt;
  const double rounded = std::nearbyint(*value);
  if (!(rounded >= 0.0) || rounded > static_cast<double>(max)) return std::nullopt;
  return static_cast<uint64_t>(rounded);
}

std::vector<std::string_view> LineWords(std::string_view line, std::size_t max_words) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
  while (words.size() < max_words) {
    while (pos < line.size() && is_blank(line[pos])) ++pos;
    if (pos >= line.size()) break;
    const std::size_t start = pos;
    while (pos < line.size() && !is_blank(line[pos])) ++pos;
    words.push_back(line.substr(start, pos - start));
  }
  return words;
}

}  // namespace tarvos::records
