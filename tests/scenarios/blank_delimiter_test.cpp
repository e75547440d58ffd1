// A blank field delimiter chosen in the system details dialog: kept in Tarvos.INI over a
// close and a start, and used for the results written and read in between.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "records/results_file.h"
#include "scenarios/station_rig.h"

namespace tarvos::scenarios {
namespace {

constexpr std::size_t kSettingsDelimiterLine = 15;  // line 16, counted from 0

void ShortScan(StationRig& rig) {
  screen::SetupPanel& panel = rig.Screen().setup;
  panel.start.text = "80";
  panel.finish.text = "100";
  panel.step.text = "10";
  panel.field.text = "3";
  panel.dwell.text = "1";
  rig.St().LeaveSetupField();
  rig.St().PressRun();
}

TEST(BlankDelimiterTest, SurvivesTheSettingsFileAndReadsBackItsResults) {
  StationRig first;
  first.StartUp();
  first.Screen().system_details.file_delimiter = " ;";  // longer than one: its first
  first.St().OpenSystemDetails();
  first.St().AcceptSystemDetails();
  ASSERT_EQ(first.St().Config().FileDelimiter, ' ');
  ShortScan(first);
  ASSERT_EQ(engine::ResultCount(first.St().Results()), 4U);
  const std::string results = first.folder.File("blank.RF");
  ASSERT_TRUE(first.St().Files().SaveResultsTo(results));
  const auto lines = first.folder.Lines("blank.RF");
  ASSERT_GE(lines.size(), 101U);
  EXPECT_EQ(lines[98], records::ResultsColumnHeading(' '));
  EXPECT_EQ(lines[100], records::ResultsEntryLine(first.St().Results().Entries[1], ' '));
  EXPECT_EQ(lines[100].substr(0, 13), "    80000000 ");
  EXPECT_EQ(lines[100].find(';'), std::string::npos);
  first.op.QueueAnswer(true);
  ASSERT_TRUE(first.St().RequestClose());
  first.St().Close();
  EXPECT_EQ(first.folder.Lines("Tarvos.INI")[kSettingsDelimiterLine], " ");

  // The next start reads the blank back and writes it again at its close.
  StationRig second;
  std::filesystem::copy_file(first.folder.File("Tarvos.INI"), second.folder.File("Tarvos.INI"));
  second.StartUp();
  EXPECT_EQ(second.St().Config().FileDelimiter, ' ');
  second.TakeTexts();
  ASSERT_TRUE(second.St().Files().OpenResultsFrom(results));
  const engine::ResultStore& read = second.St().Results();
  const engine::ResultStore& written = first.St().Results();
  EXPECT_EQ(read.NextIndex, written.NextIndex);
  for (uint32_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(read.Entries[i].Frequency, written.Entries[i].Frequency) << i;
    EXPECT_NEAR(read.Entries[i].Level, written.Entries[i].Level, 0.005) << i;
    EXPECT_EQ(read.Entries[i].EutStatus, written.Entries[i].EutStatus) << i;
  }
  second.op.QueueAnswer(true);
  ASSERT_TRUE(second.St().RequestClose());
  second.St().Close();
  EXPECT_EQ(second.folder.Lines("Tarvos.INI")[kSettingsDelimiterLine], " ");
}

}  // namespace
}  // namespace tarvos::scenarios
