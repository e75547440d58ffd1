#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_file.h"

namespace tarvos::setup {

// The three number forms of the program's text files, written with "." whatever the
// locale.
// whole: an unsigned decimal number, no blanks or leading zeros.
std::string FormatWhole(uint64_t value);
// fixed w.d: right-aligned in w characters with d decimals, wider only when needed.
std::string FormatFixed(double value, int width, int decimals);
// scientific: 23 characters, " 3.00000000000000E+0000".
std::string FormatScientific(double value);

// Decimal conversion of a whole text: optional blanks, sign, digits, "." fraction and
// exponent; nullopt when anything is left over or nothing is there.
std::optional<double> ParseDecimal(std::string_view text);
// A whole number as the files hold it, of any size; nullopt when it does not convert.
std::optional<int64_t> ParseInteger(std::string_view text);

// Values read as a text reader of numbers reads them (blanks and empty lines skipped,
// the rest of the line skipped). Past the end of the file a value reads as 0 without
// an error; a value that does not convert, or a whole number outside the range of the
// field it goes into (a negative one in an unsigned field), throws
// FileError("Invalid numeric input"): it is never cut to the field's low bits.
uint8_t ReadWhole8(platform::TextReader& reader);
uint16_t ReadWhole16(platform::TextReader& reader);
uint32_t ReadWhole32(platform::TextReader& reader);
// A signed 32-bit field that the files hold in its unsigned form: -2^31 to 2^32 - 1.
int32_t ReadWhole32Signed(platform::TextReader& reader);
float ReadReal(platform::TextReader& reader);
double ReadRealDouble(platform::TextReader& reader);

}  // namespace tarvos::setup
