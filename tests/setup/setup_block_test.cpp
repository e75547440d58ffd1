#include "setup/setup_block.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text_file.h"
#include "setup/test_setup.h"

namespace tarvos::setup {
namespace {

using ::testing::ElementsAre;

// Splits written content into lines, checking every line ends in CR LF.
std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const auto end = content.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "last line without CR LF";
    if (end == std::string::npos) break;
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TestSetup Sample() {
  TestSetup setup;
  setup.CurrentFrequency = 150'000'000;
  setup.StartLevel = 2.0F;
  setup.EndLevel = 12.5F;
  setup.LevelStep = 0.25F;
  setup.SingleDwell = 7;
  setup.StartFrequency = 80'000'000;
  setup.EndFrequency = 1'000'000'000;
  setup.StepPercent = 0.333F;
  setup.DwellTime = 3;
  setup.FieldStrength = 10.0F;
  setup.EstimatedTime = 4321;
  setup.ModulationType = 4;
  setup.EutPromptMode = 1;
  setup.EutStatusMode = 2;
  setup.SingleLevel = 2.7F;
  setup.TestMode = kPreScanCustom;
  setup.CustomList[0] = {100'000'000, 3.0F};
  setup.CustomList[1] = {1'000'000'000, 2.7F};
  return setup;
}

class SetupBlockTest : public ::testing::Test {
 protected:
  SetupBlockContext Context() {
    return {amplifier_config, [this] { events.push_back("version"); },
            [this](int line) { events.push_back(std::to_string(line)); }};
  }
  std::string Written(const TestSetup& setup) {
    platform::TextWriter writer;
    amplifier_config = 2;
    WriteSetupBlock(writer, setup, Context());
    events.clear();
    return writer.Content();
  }

  uint8_t amplifier_config = 0;
  std::vector<std::string> events;
};

TEST_F(SetupBlockTest, WritesTheEightyOneLinesInTheirForms) {
  const auto lines = Lines(Written(Sample()));
  ASSERT_EQ(lines.size(), 81u);
  const std::vector<std::string> head(lines.begin(), lines.begin() + 25);
  EXPECT_THAT(
      head, ElementsAre("150000000", "    2.00", "   12.50", "    0.25", "7", "80000000",
                        "1000000000", "    0.33", "3", "   10.00", "4321", "4", "1", "2",
                        "    2.70", "2", "13", "Spare3", "Spare4", "Spare5", "Spare6", "100000000",
                        " 3.00000000000000E+0000", "1000000000", " 2.70000004768372E+0000"));
  // Rows 3 to 30 are empty.
  for (std::size_t line = 25; line < 81; line += 2) {
    EXPECT_EQ(lines[line], "0");
    EXPECT_EQ(lines[line + 1], " 0.00000000000000E+0000");
  }
}

TEST_F(SetupBlockTest, ExactBytesOfTheDefaultSetup) {
  std::string expected =
      "10000000\r\n    1.00\r\n   10.00\r\n    0.10\r\n5\r\n100000000\r\n200000000\r\n"
      "    1.00\r\n1\r\n    1.00\r\n0\r\n0\r\n0\r\n0\r\n    1.00\r\n2\r\n0\r\n"
      "Spare3\r\nSpare4\r\nSpare5\r\nSpare6\r\n";
  for (int row = 0; row < 30; ++row) expected += "0\r\n 0.00000000000000E+0000\r\n";
  EXPECT_EQ(Written(TestSetup{}), expected);
}

TEST_F(SetupBlockTest, AsksForTheVersionOnceBetweenLines21And22) {
  std::size_t lines_at_request = 0;
  platform::TextWriter writer;
  SetupBlockContext write_context{
      amplifier_config, [&] { lines_at_request = Lines(writer.Content()).size(); }, nullptr};
  WriteSetupBlock(writer, Sample(), write_context);
  EXPECT_EQ(lines_at_request, 21u);

  platform::TextReader reader(writer.Content());
  TestSetup read;
  ReadSetupBlock(reader, read, Context());
  ASSERT_EQ(events.size(), 82u);
  EXPECT_EQ(events[20], "21");
  EXPECT_EQ(events[21], "version");
  EXPECT_EQ(events[22], "22");
  EXPECT_EQ(events.back(), "81");
  EXPECT_EQ(std::count(events.begin(), events.end(), "version"), 1);
}

TEST_F(SetupBlockTest, RoundTripKeepsWholeNumbersAndLevelsAndRoundsFixedForms) {
  const TestSetup original = Sample();
  platform::TextReader reader(Written(original));
  TestSetup read;
  amplifier_config = 0;
  ReadSetupBlock(reader, read, Context());

  EXPECT_EQ(read.CurrentFrequency, original.CurrentFrequency);
  EXPECT_EQ(read.SingleDwell, original.SingleDwell);
  EXPECT_EQ(read.StartFrequency, original.StartFrequency);
  EXPECT_EQ(read.EndFrequency, original.EndFrequency);
  EXPECT_EQ(read.DwellTime, original.DwellTime);
  EXPECT_EQ(read.EstimatedTime, original.EstimatedTime);
  EXPECT_EQ(read.ModulationType, 4);
  EXPECT_EQ(read.EutPromptMode, 1);
  EXPECT_EQ(read.EutStatusMode, 2);
  EXPECT_EQ(read.TestMode, kPreScanCustom);
  EXPECT_EQ(amplifier_config, 2);
  EXPECT_EQ(read.StepPercent, 0.33F);  // written with two decimals
  EXPECT_EQ(read.LevelStep, 0.25F);
  EXPECT_EQ(read.EndLevel, 12.5F);
  EXPECT_EQ(read.SingleLevel, 2.7F);
  for (std::size_t row = 0; row < kCustomRows; ++row) {
    EXPECT_EQ(read.CustomList[row].Frequency, original.CustomList[row].Frequency) << row;
    EXPECT_EQ(read.CustomList[row].Level, original.CustomList[row].Level) << row;
  }
}

TEST_F(SetupBlockTest, EmptyRowsReadBackEmptyOverEarlierContent) {
  platform::TextReader reader(Written(TestSetup{}));
  TestSetup read = Sample();
  ReadSetupBlock(reader, read, Context());
  EXPECT_EQ(read.CustomList[0].Frequency, 0u);
  EXPECT_EQ(read.CustomList[0].Level, 0.0F);
  EXPECT_EQ(read.CustomList[1].Frequency, 0u);
}

TEST_F(SetupBlockTest, ABlockCutAfterLine40ReadsTheRestAsZero) {
  const auto lines = Lines(Written(Sample()));
  std::string cut;
  for (int line = 0; line < 40; ++line) cut += lines[line] + "\r\n";
  platform::TextReader reader(cut);
  TestSetup read = Sample();
  read.CustomList[15] = {500'000'000, 4.0F};  // row 10 is line 40; row 16 lies beyond
  ReadSetupBlock(reader, read, Context());
  EXPECT_EQ(read.TestMode, kPreScanCustom);
  EXPECT_EQ(read.CustomList[1].Frequency, 1'000'000'000u);
  EXPECT_EQ(read.CustomList[15].Frequency, 0u);
  EXPECT_EQ(read.CustomList[15].Level, 0.0F);
  EXPECT_EQ(events.back(), "81");
}

TEST_F(SetupBlockTest, ANumberPastItsFieldStopsTheReadAsLettersDo) {
  // Each line's value one past its field: the read stops there with the input error,
  // keeping the lines before it, and no value is ever cut to its low bits.
  const std::vector<std::pair<std::size_t, std::string>> past = {
      {6, "5000000000"},  // EndFrequency, which would wrap to 705.03 MHz
      {8, "-1"},          // DwellTime
      {4, "4294967296"},  // SingleDwell
      {11, "260"},        // ModulationType
      {15, "256"},        // AmplifierConfig
      {16, "  267 "},     // TestMode
      {10, "-2147483649"},  // EstimatedTime
      {21, "-5"}};        // the first custom frequency
  for (const auto& [index, value] : past) {
    auto lines = Lines(Written(Sample()));
    lines[index] = value;
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    platform::TextReader reader(text);
    TestSetup read;
    events.clear();
    try {
      ReadSetupBlock(reader, read, Context());
      ADD_FAILURE() << "line " << index + 1 << " read " << value;
    } catch (const platform::FileError& error) {
      EXPECT_STREQ(error.what(), "Invalid numeric input");
    }
    // The lines read before it, each told to the context.
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [](const std::string& event) { return event != "version"; }),
              static_cast<std::ptrdiff_t>(index))
        << "line " << index + 1;
  }
}

TEST_F(SetupBlockTest, ANumberThatDoesNotConvertStopsTheReadKeepingWhatCameBefore) {
  auto lines = Lines(Written(Sample()));
  lines[5] = "80MHz";  // StartFrequency
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  platform::TextReader reader(text);
  TestSetup read;
  try {
    ReadSetupBlock(reader, read, Context());
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "Invalid numeric input");
  }
  EXPECT_EQ(read.CurrentFrequency, 150'000'000u);
  EXPECT_EQ(read.SingleDwell, 7u);
  EXPECT_EQ(read.StartFrequency, TestSetup{}.StartFrequency);
  EXPECT_THAT(events, ElementsAre("1", "2", "3", "4", "5"));
}

TEST_F(SetupBlockTest, WorksWithoutASynthesiserToAsk) {
  platform::TextWriter writer;
  SetupBlockContext quiet{amplifier_config, nullptr, nullptr};
  WriteSetupBlock(writer, Sample(), quiet);
  platform::TextReader reader(writer.Content());
  TestSetup read;
  ReadSetupBlock(reader, read, quiet);
  EXPECT_EQ(read.EndFrequency, 1'000'000'000u);
}

// The settings file replaces values as their lines are read: the hook must see the
// value of its own line already stored.
TEST(SetupBlockHook, SeesTheValueOfItsLineAlreadyStored) {
  platform::TextWriter writer;
  uint8_t written_config = 2;
  WriteSetupBlock(writer, Sample(), {written_config, {}, {}});

  TestSetup setup;
  uint8_t config = 0;
  uint32_t start_at_line_6 = 0;
  uint8_t config_at_line_16 = 0;
  platform::TextReader reader(writer.Content());
  ReadSetupBlock(reader, setup, {config, {}, [&](int line) {
                                   if (line == 6) start_at_line_6 = setup.StartFrequency;
                                   if (line == 16) config_at_line_16 = config;
                                 }});
  EXPECT_EQ(start_at_line_6, 80'000'000u);
  EXPECT_EQ(config_at_line_16, 2);
}

}  // namespace
}  // namespace tarvos::setup
