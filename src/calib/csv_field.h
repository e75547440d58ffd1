#pragma once

#include <string>
#include <string_view>

namespace tarvos::calib {

// Comma-separated fields as the cell files and the adapter description file hold them:
// fields are numbered from 1; leading blanks of a line longer than 5 characters are
// dropped first. Lines of any length are taken whole.

// The field as a decimal number; 0 for an empty field, a field that does not convert
// completely, or a field number outside 1 to 255 or past the last field.
double ReadCsvField(std::string_view line, int field);

// The field's text into `text`; past the last field (or outside 1 to 255) `text` is left
// as it was.
void ReadCsvText(std::string_view line, int field, std::string& text);

}  // namespace tarvos::calib
