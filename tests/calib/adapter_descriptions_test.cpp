// The adapter description file.

#include "calib/adapter_descriptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "calib/temp_folder.h"

namespace tarvos::calib {
namespace {

using ::testing::IsEmpty;

class AdapterDescriptionsTest : public ::testing::Test {
 protected:
  static constexpr std::string_view kHeader =
      "Brevant Instruments Ltd USB adapter descriptions\r\nId,Description\r\n(notes)\r\n";

  std::string WithRecords(int count) {
    std::string text(kHeader);
    for (int i = 0; i < count; ++i)
      text += std::to_string(i * 12) + ",Unit " + std::to_string(i) + "\r\n";
    return folder.Write("BrevantUSB.TXT", text);
  }

  testing::TempFolder folder;
};

TEST_F(AdapterDescriptionsTest, TheShippedFileReadsWhole) {
  const auto records =
      ReadAdapterDescriptions(std::string(TARVOS_SOURCE_DIR) + "/data/BrevantUSB.TXT");
  ASSERT_TRUE(records.has_value());
  ASSERT_EQ(records->size(), 5u);
  EXPECT_EQ((*records)[0].Number, 0);
  EXPECT_EQ((*records)[0].Text, "Corvid Synthesiser");
  EXPECT_EQ((*records)[2].Number, 8);
  EXPECT_EQ((*records)[2].Text, "Salvo Amplifier Switching Unit");
  EXPECT_EQ((*records)[4].Number, 255);
  EXPECT_EQ((*records)[4].Text, "Unassigned Adapter");
}

TEST_F(AdapterDescriptionsTest, AHeaderAloneGivesNoRecords) {
  const auto records = ReadAdapterDescriptions(WithRecords(0));
  ASSERT_TRUE(records.has_value());
  EXPECT_THAT(*records, IsEmpty());
  const auto short_file = ReadAdapterDescriptions(folder.Write("short.txt", "one line\r\n"));
  ASSERT_TRUE(short_file.has_value());
  EXPECT_THAT(*short_file, IsEmpty());
}

TEST_F(AdapterDescriptionsTest, TwentyOneRecordsFitAndATwentySecondDoesNot) {
  const auto full = ReadAdapterDescriptions(WithRecords(21));
  ASSERT_TRUE(full.has_value());
  ASSERT_EQ(full->size(), 21u);
  EXPECT_EQ(full->back().Number, 240);
  EXPECT_EQ(full->back().Text, "Unit 20");
  EXPECT_EQ(ReadAdapterDescriptions(WithRecords(22)), std::nullopt);
}

TEST_F(AdapterDescriptionsTest, NumbersOutsideAByteMakeTheFileUnreadable) {
  const std::string header(kHeader);
  const auto edge = ReadAdapterDescriptions(folder.Write("a.txt", header + "255,Top\r\n0,Bottom"));
  ASSERT_TRUE(edge.has_value());
  EXPECT_EQ(edge->size(), 2u);
  EXPECT_EQ(ReadAdapterDescriptions(folder.Write("b.txt", header + "4,Ok\r\n256,Too big\r\n")),
            std::nullopt);
  EXPECT_EQ(ReadAdapterDescriptions(folder.Write("c.txt", header + "-1,Negative\r\n")),
            std::nullopt);
  EXPECT_EQ(ReadAdapterDescriptions(folder.Write("d.txt", header + "255.5,Just over\r\n")),
            std::nullopt);
}

TEST_F(AdapterDescriptionsTest, AMissingFileIsUnreadable) {
  EXPECT_EQ(ReadAdapterDescriptions(folder.Path() + "BrevantUSB.TXT"), std::nullopt);
}

TEST_F(AdapterDescriptionsTest, FieldsFollowTheCellFileRules) {
  std::string text(kHeader);
  text += "  7,  Indented text\r\n1e2,Exponent\r\n12abc,Mixed\r\n3,Text,ignored\r\n6.4,Fraction\r\n";
  const auto records = ReadAdapterDescriptions(folder.Write("fields.txt", text));
  ASSERT_TRUE(records.has_value());
  ASSERT_EQ(records->size(), 5u);
  EXPECT_EQ((*records)[0].Number, 7);
  EXPECT_EQ((*records)[0].Text, "  Indented text");
  EXPECT_EQ((*records)[1].Number, 100);
  EXPECT_EQ((*records)[2].Number, 0);
  EXPECT_EQ((*records)[3].Text, "Text");
  EXPECT_EQ((*records)[4].Number, 6);
}

}  // namespace
}  // namespace tarvos::calib
