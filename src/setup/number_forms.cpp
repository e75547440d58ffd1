#include "setup/number_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/operator_texts.h"

namespace tarvos::setup {
namespace {

constexpr std::size_t kWholeChars = 32;
constexpr std::size_t kRealChars = 64;

[[noreturn]] void InvalidNumber() {
  throw platform::FileError(std::string(platform::kInvalidNumericInputText));
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// Whether an unsigned decimal number lies above 1, judged by the power of ten of its
// first significant digit; only asked of numbers a double cannot hold.
bool IsBeyondLargest(std::string_view number) {
  int64_t power = 0;
  bool significant = false;
  bool fraction = false;
  std::size_t i = 0;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') {
      fraction = true;
    } else if (!significant) {
      // Each leading zero of the fraction, and its first digit, is one power lower.
      if (fraction) --power;
      significant = c != '0';
    } else if (!fraction) {
      ++power;
    }
  }
  if (!significant) return false;
  int64_t exponent = 0;
  bool negative = false;
  if (++i < number.size() && (number[i] == '+' || number[i] == '-')) {
    negative = number[i] == '-';
    ++i;
  }
  constexpr int64_t kFarBeyond = 1'000'000'000;
  for (; i < number.size(); ++i) {
    exponent = std::min(exponent * 10 + (number[i] - '0'), kFarBeyond);
  }
  return power + (negative ? -exponent : exponent) > 0;
}

}  // namespace

std::string FormatWhole(uint64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string FormatFixed(double value, int width, int decimals) {
  // The files never hold infinities: such a value is written as the scientific form does.
  if (!std::isfinite(value)) value = 0.0;
  decimals = std::clamp(decimals, 0, 20);
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : "0";
  if (text == "-0" || text.find_first_not_of("-0.") == std::string::npos) {
    // No negative zero: -0.001 at two decimals is written 0.00.
    if (!text.empty() && text.front() == '-') text.erase(0, 1);
  }
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), ' ');
  return text;
}

std::string FormatScientific(double value) {
  if (!std::isfinite(value)) value = 0.0;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, 14);
  std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto e = digits.find('e');
  const std::string_view mantissa = digits.substr(0, e);
  const char exponent_sign = digits[e + 1];
  const std::string_view exponent_digits = digits.substr(e + 2);
  std::string text;
  text += std::signbit(value) && value != 0.0 ? '-' : ' ';
  text += mantissa;
  text += 'E';
  text += exponent_sign;
  text.append(4 - std::min<std::size_t>(4, exponent_digits.size()), '0');
  text += exponent_digits;
  return text;
}

std::optional<double> ParseDecimal(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  // Only digits, one point, and an exponent: no "inf", "nan" or hexadecimal forms.
  const char first = text.front();
  if (!(first >= '0' && first <= '9') && first != '.') return std::nullopt;
  double value = 0.0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small reads as 0; too large does not convert. The value is left untouched
    // here, so the text tells which.
    if (IsBeyondLargest(std::string_view(text.data(), result.ptr - text.data()))) {
      return std::nullopt;
    }
    value = 0.0;
  } else if (result.ec != std::errc()) {
    return std::nullopt;
  }
  if (result.ptr != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  const auto signed_value = static_cast<int64_t>(value);
  return negative ? -signed_value : signed_value;
}

namespace {

// The next whole number, refused as letters are when it lies outside lowest..highest.
int64_t ReadWholeIn(platform::TextReader& reader, int64_t lowest, int64_t highest) {
  const auto token = reader.ReadValue(kWholeChars);
  if (!token) return 0;
  const auto value = ParseInteger(*token);
  if (!value || *value < lowest || *value > highest) InvalidNumber();
  return *value;
}

}  // namespace

uint32_t ReadWhole32(platform::TextReader& reader) {
  return static_cast<uint32_t>(ReadWholeIn(reader, 0, std::numeric_limits<uint32_t>::max()));
}

int32_t ReadWhole32Signed(platform::TextReader& reader) {
  // Written from its unsigned form: both readings of the 32 bits are the same value.
  const int64_t value = ReadWholeIn(reader, std::numeric_limits<int32_t>::min(),
                                    std::numeric_limits<uint32_t>::max());
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

uint16_t ReadWhole16(platform::TextReader& reader) {
  return static_cast<uint16_t>(ReadWholeIn(reader, 0, std::numeric_limits<uint16_t>::max()));
}

uint8_t ReadWhole8(platform::TextReader& reader) {
  return static_cast<uint8_t>(ReadWholeIn(reader, 0, std::numeric_limits<uint8_t>::max()));
}

double ReadRealDouble(platform::TextReader& reader) {
  const auto token = reader.ReadValue(kRealChars);
  if (!token) return 0.0;
  const auto value = ParseDecimal(*token);
  if (!value) InvalidNumber();
  return *value;
}

float ReadReal(platform::TextReader& reader) {
  const double value = ReadRealDouble(reader);
  if (std::fabs(value) > std::numeric_limits<float>::max()) InvalidNumber();
  return static_cast<float>(value);
}

}  // namespace tarvos::setup
