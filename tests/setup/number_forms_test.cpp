#include "setup/number_forms.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text_file.h"

namespace tarvos::setup {
namespace {

TEST(FormatFixed, PadsToTheWidthAndWidensOnlyWhenNeeded) {
  EXPECT_EQ(FormatFixed(1.0, 8, 2), "    1.00");
  EXPECT_EQ(FormatFixed(3.0, 6, 2), "  3.00");
  EXPECT_EQ(FormatFixed(0.0, 8, 2), "    0.00");
  EXPECT_EQ(FormatFixed(-1.5, 8, 2), "   -1.50");
  EXPECT_EQ(FormatFixed(123456789.0, 8, 2), "123456789.00");
  EXPECT_EQ(FormatFixed(1e20, 8, 2), "100000000000000000000.00");
  EXPECT_EQ(FormatFixed(2.5, 0, 0), "2");
}

TEST(FormatFixed, NeverWritesNegativeZeroOrInfinity) {
  EXPECT_EQ(FormatFixed(-0.001, 8, 2), "    0.00");
  EXPECT_EQ(FormatFixed(-0.0, 0, 1), "0.0");
  EXPECT_EQ(FormatFixed(1.0 / 0.0, 8, 2), "    0.00");
}

TEST(FormatFixed, KeepsSinglePrecisionDigitsOfAWidenedFloat) {
  EXPECT_EQ(FormatFixed(0.333F, 8, 2), "    0.33");
  EXPECT_EQ(FormatFixed(2.7F, 0, 7), "2.7000000");
}

TEST(FormatScientific, TwentyThreeCharactersWithFourExponentDigits) {
  EXPECT_EQ(FormatScientific(3.0), " 3.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(2.7F), " 2.70000004768372E+0000");
  EXPECT_EQ(FormatScientific(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(-3.0), "-3.00000000000000E+0000");
  EXPECT_EQ(FormatScientific(0.0125), " 1.25000000000000E-0002");
  EXPECT_EQ(FormatScientific(1e300), " 1.00000000000000E+0300");
  EXPECT_EQ(FormatScientific(-1e-300), "-1.00000000000000E-0300");
  EXPECT_EQ(FormatScientific(1e300).size(), 23u);
}

TEST(ParseDecimal, TakesFixedAndScientificFormsWhole) {
  EXPECT_EQ(ParseDecimal(" 3.00000000000000E+0000"), 3.0);
  EXPECT_EQ(ParseDecimal("-2.5"), -2.5);
  EXPECT_EQ(ParseDecimal(".5"), 0.5);
  EXPECT_EQ(ParseDecimal("1e-999"), 0.0);
  EXPECT_EQ(ParseDecimal(""), std::nullopt);
  EXPECT_EQ(ParseDecimal("-"), std::nullopt);
  EXPECT_EQ(ParseDecimal("1.5x"), std::nullopt);
  EXPECT_EQ(ParseDecimal("--1"), std::nullopt);
  EXPECT_EQ(ParseDecimal("inf"), std::nullopt);
  EXPECT_EQ(ParseDecimal("nan"), std::nullopt);
  EXPECT_EQ(ParseDecimal("1e999"), std::nullopt);
  EXPECT_EQ(ParseDecimal("-1e400"), std::nullopt);
  EXPECT_EQ(ParseDecimal(std::string(400, '9')), std::nullopt);
  EXPECT_EQ(ParseDecimal("0.0000000000000000000000000000000000000000000000000001e-300"), 0.0);
  EXPECT_EQ(ParseDecimal("12345e-99999999999999999999"), 0.0);
  EXPECT_EQ(ParseDecimal("0.001e99999999999999999999"), std::nullopt);
}

TEST(ReadNumbers, WholeNumbersUpToTheEdgesOfTheirFields) {
  platform::TextReader reader(
      "255\r\n65535\r\n4294967295\r\n-2147483648\r\n4294967295\r\n  7 rest of line\r\n"
      "\r\n 9\r\n");
  EXPECT_EQ(ReadWhole8(reader), 255);
  EXPECT_EQ(ReadWhole16(reader), 65535);
  EXPECT_EQ(ReadWhole32(reader), 4294967295u);
  EXPECT_EQ(ReadWhole32Signed(reader), -2147483647 - 1);
  EXPECT_EQ(ReadWhole32Signed(reader), -1);  // the unsigned form the files hold it in
  EXPECT_EQ(ReadWhole32(reader), 7u);
  EXPECT_EQ(ReadWhole32(reader), 9u);
  EXPECT_EQ(ReadWhole32(reader), 0u);  // past the end
  EXPECT_EQ(ReadReal(reader), 0.0F);
}

TEST(ReadNumbers, AValueThatDoesNotConvertIsAnInputError) {
  const auto expect_invalid = [](std::string text, auto read) {
    platform::TextReader reader(std::move(text));
    try {
      read(reader);
      ADD_FAILURE() << "no error";
    } catch (const platform::FileError& error) {
      EXPECT_STREQ(error.what(), "Invalid numeric input");
    }
  };
  expect_invalid("12abc\r\n", [](auto& r) { return ReadWhole32(r); });
  expect_invalid("1.5\r\n", [](auto& r) { return ReadWhole32(r); });
  expect_invalid("abc\r\n", [](auto& r) { return ReadReal(r); });
  expect_invalid("1e39\r\n", [](auto& r) { return ReadReal(r); });  // beyond a float
  // One past a field is refused, never cut to its low bits.
  expect_invalid("256\r\n", [](auto& r) { return ReadWhole8(r); });
  expect_invalid("-1\r\n", [](auto& r) { return ReadWhole8(r); });
  expect_invalid("65536\r\n", [](auto& r) { return ReadWhole16(r); });
  expect_invalid("4294967296\r\n", [](auto& r) { return ReadWhole32(r); });
  expect_invalid("5000000000\r\n", [](auto& r) { return ReadWhole32(r); });
  expect_invalid("-1\r\n", [](auto& r) { return ReadWhole32(r); });
  expect_invalid("4294967296\r\n", [](auto& r) { return ReadWhole32Signed(r); });
  expect_invalid("-2147483649\r\n", [](auto& r) { return ReadWhole32Signed(r); });
}

}  // namespace
}  // namespace tarvos::setup
