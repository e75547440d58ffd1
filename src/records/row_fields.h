#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvos::records {

// The fields of an entry or pre-scan row: one delimiter appended to the line, leading
// blanks removed while it is longer than five characters, then split at every delimiter.
// Only the first max_fields are returned.
std::vector<std::string_view> RowFields(std::string_view line, char delimiter,
                                        std::size_t max_fields);

// A field read as a decimal number (leading blanks ignored).
std::optional<double> FieldNumber(std::string_view field);

// A field read as a number and rounded to the nearest whole number, ties to even;
// nullopt when it does not read or lies outside 0 to max.
std::optional<uint64_t> FieldWhole(std::string_view field, uint64_t max);

// The blank-separated words of a line (blanks and tabs), at most max_words.
std::vector<std::string_view> LineWords(std::string_view line, std::size_t max_words);

}  // namespace tarvos::records
