#include "calib/csv_field.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvos::calib {
namespace {

TEST(ReadCsvFieldTest, FieldsAreNumberedFromOne) {
  EXPECT_DOUBLE_EQ(ReadCsvField("30,0.41,0.70,0.98,1.40", 1), 30.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("30,0.41,0.70,0.98,1.40", 2), 0.41);
  EXPECT_DOUBLE_EQ(ReadCsvField("30,0.41,0.70,0.98,1.40", 5), 1.40);
  EXPECT_DOUBLE_EQ(ReadCsvField("30,0.41,0.70,0.98,1.40", 6), 0.0);  // past the last
  EXPECT_DOUBLE_EQ(ReadCsvField("DATA,200,1,26214", 4), 26214.0);
}

TEST(ReadCsvFieldTest, WhatDoesNotConvertReadsAsZero) {
  EXPECT_DOUBLE_EQ(ReadCsvField("DATA,200", 1), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,,3", 2), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,2x,3", 2), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,2 ,3", 2), 0.0);  // a trailing blank is left over
  EXPECT_DOUBLE_EQ(ReadCsvField("", 1), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,2", 0), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,2", 256), 0.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,inf", 2), 0.0);
}

TEST(ReadCsvFieldTest, NumbersTakeBlanksSignsAndExponents) {
  EXPECT_DOUBLE_EQ(ReadCsvField("1,  -2.5", 2), -2.5);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,+1.5E2", 2), 150.0);
  EXPECT_DOUBLE_EQ(ReadCsvField("1,4e-1", 2), 0.4);
  EXPECT_DOUBLE_EQ(ReadCsvField("   29.9,1", 1), 29.9);
}

TEST(ReadCsvTextTest, GivesTheFieldOrLeavesTheText) {
  std::string text = "kept";
  ReadCsvText("0,Corvid Synthesiser,extra", 2, text);
  EXPECT_EQ(text, "Corvid Synthesiser");
  ReadCsvText("0,Corvid Synthesiser", 3, text);
  EXPECT_EQ(text, "Corvid Synthesiser");
  ReadCsvText("0,,x", 2, text);
  EXPECT_EQ(text, "");
  ReadCsvText("0", 2, text = "kept");
  EXPECT_EQ(text, "kept");
}

TEST(ReadCsvTextTest, LeadingBlanksGoOnlyFromLinesLongerThanFive) {
  std::string text;
  ReadCsvText("  ab,c", 1, text);  // 7 characters with the closing comma
  EXPECT_EQ(text, "ab");
  ReadCsvText(" ab,", 1, text);  // 5 with it: kept as it is
  EXPECT_EQ(text, " ab");
  ReadCsvText("      ", 1, text);
  EXPECT_EQ(text, "");
}

TEST(ReadCsvTextTest, LongLinesAreTakenWhole) {
  const std::string line = std::string(300, 'x') + ",7," + std::string(400, 'y');
  EXPECT_DOUBLE_EQ(ReadCsvField(line, 2), 7.0);
  std::string text;
  ReadCsvText(line, 3, text);
  EXPECT_EQ(text, std::string(400, 'y'));
  std::string many;
  for (int i = 1; i <= 300; ++i) many += std::to_string(i) + ",";
  EXPECT_DOUBLE_EQ(ReadCsvField(many, 255), 255.0);
  EXPECT_DOUBLE_EQ(ReadCsvField(many, 256), 0.0);
}

}  // namespace
}  // namespace tarvos::calib
