#include "calib/cell_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "calib/cell_drive.h"
#include "calib/temp_folder.h"
#include "platform/scripted_operator.h"
#include "sim/cell_calibration.h"
#include "sim/cell_value.h"

namespace tarvos::calib {
namespace {

using platform::MessageKind;
using platform::ScriptedOperator;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TempFolder;

constexpr std::string_view kMissing =
    "Cell File is Missing or Corrupt! Do You Want to Load Cell File ?";
constexpr std::string_view kInvalidRange =
    "Invalid Range. 0-10 V/m Displayed. Check Calibration File";

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (const auto line : lines) (text += line) += "\r\n";
  return text;
}

TEST(CellFileNameTest, SerialBecomesFourCharacters) {
  EXPECT_EQ(CellFileName("", "7"), "cell0007.csv");
  EXPECT_EQ(CellFileName("", "123"), "cell0123.csv");
  EXPECT_EQ(CellFileName("", "1234"), "cell0123.csv");
  EXPECT_EQ(CellFileName("", "12345"), "cell0123.csv");
  EXPECT_EQ(CellFileName("", ""), "cell0000.csv");
  EXPECT_EQ(CellFileName("/opt/tarvos/", "10"), "/opt/tarvos/cell0010.csv");
}

class CellFileTest : public ::testing::Test {
 protected:
  CellFileTest() {
    config.DefaultPath = folder.Path();
    config.CellSerial = "10";
  }

  CellLoad Load(const std::string& content) {
    folder.Write("cell0010.csv", content);
    return LoadCellTable(context);
  }

  TempFolder folder;
  CellTable cell;
  Settings config;
  link::AdapterLink link;
  ScriptedOperator op;
  CellFileContext context{cell, config, link, op};
};

TEST_F(CellFileTest, ExampleFileFillsTheTableAndTheLink) {
  cell.DriveScale = 1;
  EXPECT_EQ(Load(Lines({"Cell calibration", "DATA,250,2,26214", "30,0.41,0.70,0.98,1.40",
                        "100,0.45,0.75,1.05,1.50", "1000,0.52,0.86,1.21,1.73"})),
            CellLoad::Loaded);
  ASSERT_EQ(cell.RowCount, 3);
  EXPECT_EQ(cell.Rows[0].Frequency, 30'000'000U);
  EXPECT_EQ(cell.Rows[1].Values, (std::array<float, 4>{0.45F, 0.75F, 1.05F, 1.50F}));
  EXPECT_EQ(cell.Rows[2].Frequency, 1'000'000'000U);
  EXPECT_EQ(cell.MaxFrequency, 1000.1F);
  EXPECT_EQ(cell.RangeThreshold, 250.0F);
  EXPECT_EQ(cell.CellRange, 2);
  EXPECT_EQ(cell.MaxField, 30.0F);
  EXPECT_EQ(cell.LevelPoints, (std::array<float, 5>{0, 3, 7, 12, 20}));
  EXPECT_EQ(cell.DriveScale, 26214);
  EXPECT_EQ(link.MaxFrequency, 1000.1F);
  EXPECT_EQ(link.RangeThreshold, 250.0F);
  EXPECT_THAT(op.History(), IsEmpty());
}

TEST_F(CellFileTest, RowFrequencyIsRoundedButMaxFrequencyIsNot) {
  Load(Lines({"h", "29.9,1,2,3,4", "100.5,1,2,3,4"}));
  EXPECT_EQ(cell.Rows[0].Frequency, 30'000'000U);
  EXPECT_EQ(cell.Rows[1].Frequency, 100'000'000U);  // ties to even
  EXPECT_EQ(cell.MaxFrequency, static_cast<float>(100.5 + 0.1));
  Load(Lines({"h", "29.9,1,2,3,4"}));
  EXPECT_EQ(cell.MaxFrequency, 30.0F);
}

TEST_F(CellFileTest, DataLines) {
  cell.DriveScale = 1234;
  Load(Lines({"h", "DATA,150,0,0"}));
  EXPECT_EQ(cell.RangeThreshold, 150.0F);
  EXPECT_EQ(cell.CellRange, 1);
  EXPECT_EQ(cell.DriveScale, 1234);
  EXPECT_THAT(op.History(), IsEmpty());

  Load(Lines({"h", "DATA,200,3,100", "DATA,200,5,26214"}));
  EXPECT_EQ(cell.CellRange, 1);
  EXPECT_EQ(cell.MaxField, 15.0F);
  EXPECT_EQ(cell.LevelPoints, (std::array<float, 5>{0, 3, 5, 7, 10}));
  EXPECT_EQ(cell.DriveScale, 26214);
  EXPECT_THAT(op.TextsOf(MessageKind::Warning), ElementsAre(kInvalidRange));
}

TEST_F(CellFileTest, OnlyRealDataLinesAndRowsCount) {
  cell.RangeThreshold = 200.0F;
  Load(Lines({"DATA,999,3,5", " DATA,150,2,100", "data,150,2,100", "30,1,2,3,4", "",
              "Second heading", "0,9,9,9,9", "100,5,6,7,8"}));
  EXPECT_EQ(cell.RangeThreshold, 200.0F);  // the heading line is never read
  EXPECT_EQ(cell.CellRange, 1);
  ASSERT_EQ(cell.RowCount, 2);
  EXPECT_EQ(cell.Rows[1].Frequency, 100'000'000U);
  EXPECT_EQ(cell.Rows[1].Values[3], 8.0F);
}

TEST_F(CellFileTest, LoadKeepsRowsBeyondTheLastRead) {
  Load(Lines({"h", "30,1,1,1,1", "100,2,2,2,2", "1000,3,3,3,3"}));
  Load(Lines({"h", "50,4,4,4,4"}));
  EXPECT_EQ(cell.RowCount, 1);
  EXPECT_EQ(cell.Rows[0].Frequency, 50'000'000U);
  EXPECT_EQ(cell.Rows[2].Frequency, 1'000'000'000U);
  EXPECT_EQ(cell.MaxFrequency, 50.1F);
}

TEST_F(CellFileTest, WhatDoesNotFitIsNotStored) {
  std::string content = "h\r\n";
  for (int mhz = 1; mhz <= 1001; ++mhz) content += std::to_string(mhz) + ",1,2,3,4\r\n";
  Load(content);
  EXPECT_EQ(cell.RowCount, 1000);
  EXPECT_EQ(cell.Rows[999].Frequency, 1'000'000'000U);
  EXPECT_EQ(cell.MaxFrequency, 1000.1F);

  cell.DriveScale = 77;
  Load(Lines({"h", "DATA,1e39,256,65536", "DATA,150,-1,-5", "4294,1,2,3,4", "4295,1,2,3,4",
              "-30,1,2,3,4", "4000,1e39,2,3,4"}));
  EXPECT_EQ(cell.RangeThreshold, 150.0F);
  EXPECT_EQ(cell.CellRange, 1);
  EXPECT_EQ(cell.DriveScale, 77);
  EXPECT_EQ(cell.RowCount, 1);
  EXPECT_EQ(cell.Rows[0].Frequency, 4'294'000'000U);
  EXPECT_EQ(cell.Rows[1].Frequency, 2'000'000U);  // left from the load before
  EXPECT_EQ(cell.MaxFrequency, 4294.1F);
}

TEST_F(CellFileTest, MissingFileAsksAndInstallsOnYes) {
  EXPECT_EQ(LoadCellTable(context), CellLoad::Missing);
  ASSERT_EQ(op.History().size(), 1U);
  EXPECT_EQ(op.History()[0].Kind, MessageKind::Warning);
  EXPECT_EQ(op.History()[0].Text, kMissing);
  EXPECT_EQ(cell.RowCount, 0);

  TempFolder source;
  source.Write("cell0012.csv", "h\n30,1,2,3,4\n");
  op.ClearHistory();
  op.QueueAnswer(true);
  op.QueueInput("12");
  op.QueueFile(source.Path());
  EXPECT_EQ(LoadCellTable(context), CellLoad::Missing);
  EXPECT_THAT(op.Texts(), ElementsAre(kMissing, "Cell 12 Data Successfully Installed"));
  EXPECT_EQ(cell.RowCount, 0);  // the new file is read at the next load
  EXPECT_EQ(LoadCellTable(context), CellLoad::Loaded);
  EXPECT_EQ(cell.RowCount, 1);
}

TEST_F(CellFileTest, FileNameIsFoundRegardlessOfCase) {
  folder.Write("CELL0010.CSV", Lines({"h", "30,1,2,3,4"}));
  EXPECT_EQ(LoadCellTable(context), CellLoad::Loaded);
  EXPECT_EQ(cell.RowCount, 1);
}

class InstallCellFileTest : public CellFileTest {
 protected:
  TempFolder source;
};

TEST_F(InstallCellFileTest, CopiesLineByLineWithCrLf) {
  source.Write("CELL0042.CSV", "Cell 42\nDATA,200,1,26214\r\n30,1,2,3,4");
  op.QueueInput("42");
  op.QueueFile(source.Path());
  const CellInstallResult result = InstallCellFile(context);
  EXPECT_EQ(result.Outcome, CellInstall::Installed);
  EXPECT_EQ(result.SourceLabel, "Enter Source Path for Calibration File for Cell 42");
  EXPECT_EQ(config.CellSerial, "42");
  EXPECT_EQ(folder.Read("cell0042.csv"), "Cell 42\r\nDATA,200,1,26214\r\n30,1,2,3,4\r\n");
  ASSERT_EQ(op.History().size(), 3U);
  EXPECT_EQ(op.History()[0].Type, ScriptedOperator::Dialog::Input);
  EXPECT_EQ(op.History()[0].Text, "Cell Data|Enter Cell Serial Number : ");
  EXPECT_EQ(op.History()[1].Type, ScriptedOperator::Dialog::Folder);
  EXPECT_EQ(op.History()[1].Text, "Load Cell Calibration");
  EXPECT_EQ(op.History()[2].Text, "Cell 42 Data Successfully Installed");
  EXPECT_EQ(cell.RowCount, 0);
}

TEST_F(InstallCellFileTest, EmptySourceGivesOneEmptyLine) {
  source.Write("cell0010.csv", "");
  op.QueueInput(std::nullopt);  // Cancel keeps the serial
  op.QueueFile(source.Path().substr(0, source.Path().size() - 1));
  EXPECT_EQ(InstallCellFile(context).Outcome, CellInstall::Installed);
  EXPECT_EQ(config.CellSerial, "10");
  EXPECT_EQ(folder.Read("cell0010.csv"), "\r\n");
}

TEST_F(InstallCellFileTest, CancelledFolderDoesNothingButKeepsTheNewSerial) {
  op.QueueInput("77");
  const CellInstallResult result = InstallCellFile(context);
  EXPECT_EQ(result.Outcome, CellInstall::Cancelled);
  EXPECT_EQ(result.SourceLabel, "Enter Source Path for Calibration File for Cell 77");
  EXPECT_EQ(config.CellSerial, "77");
  EXPECT_THAT(op.Texts(), IsEmpty());
}

TEST_F(InstallCellFileTest, FailuresSayNothingWasInstalledAndLeaveTheOldFile) {
  folder.Write("cell0010.csv", "old\r\n");
  op.QueueFile(source.Path());  // no file there
  EXPECT_EQ(InstallCellFile(context).Outcome, CellInstall::Failed);
  EXPECT_THAT(op.Texts(), ElementsAre("Error Reading/Writing Cell data File",
                                      "No Cell Data has been Installed"));
  EXPECT_EQ(folder.Read("cell0010.csv"), "old\r\n");

  source.Write("cell0010.csv", "new\r\n");
  config.DefaultPath = folder.Path() + "no-such-folder/";
  op.ClearHistory();
  op.QueueFile(source.Path());
  EXPECT_EQ(InstallCellFile(context).Outcome, CellInstall::Failed);
  EXPECT_THAT(op.Texts(), ElementsAre("Error Reading/Writing Cell data File",
                                      "No Cell Data has been Installed"));
}

TEST_F(CellFileTest, ApplyCellRangeSetsTheFieldLimits) {
  cell.CellRange = 3;
  ApplyCellRange(cell, op);
  EXPECT_EQ(cell.MaxField, 40.0F);
  EXPECT_EQ(cell.LevelPoints, (std::array<float, 5>{0, 3, 7, 12, 30}));
  cell.CellRange = 0;
  ApplyCellRange(cell, op);
  EXPECT_EQ(cell.CellRange, 1);
  EXPECT_EQ(cell.MaxField, 15.0F);
  EXPECT_THAT(op.TextsOf(MessageKind::Warning), ElementsAre(kInvalidRange));
}

// The shipped sample file holds the simulator's own cell, so a first start levels.
TEST(SampleCellFileTest, MatchesTheSimulatedCell) {
  CellTable cell;
  Settings config;
  config.DefaultPath = TARVOS_SOURCE_DIR "/data/";
  config.CellSerial = "10";
  link::AdapterLink link;
  ScriptedOperator op;
  CellFileContext context{cell, config, link, op};
  ASSERT_EQ(LoadCellTable(context), CellLoad::Loaded);

  const sim::CellCalibration expected = sim::DefaultCellCalibration();
  ASSERT_EQ(cell.RowCount, static_cast<int32_t>(expected.Rows.size()));
  for (std::size_t i = 0; i < expected.Rows.size(); ++i) {
    EXPECT_EQ(cell.Rows[i].Frequency, expected.Rows[i].FrequencyMhz * 1'000'000U) << i;
    EXPECT_EQ(cell.Rows[i].Values, expected.Rows[i].Values) << i;
  }
  EXPECT_EQ(cell.RangeThreshold, expected.RangeThreshold);
  EXPECT_EQ(cell.CellRange, expected.CellRange);
  EXPECT_EQ(cell.DriveScale, expected.DriveScale);
  EXPECT_EQ(cell.MaxFrequency, 1000.1F);

  engine::ResultStore results;
  screen::Screen screen;
  for (const auto& [mhz, field] : {std::pair{30.0, 1.0},
                                   {47.3, 3.0},
                                   {212.6, 5.5},
                                   {408.0, 8.0},
                                   {771.2, 10.0},
                                   {999.9, 12.0}}) {
    const uint32_t hz = static_cast<uint32_t>(mhz * 1e6);
    const float counts = sim::ProbeCounts(expected, hz, field);
    EXPECT_EQ(CellDrive(cell, 1'000'000'000U, hz, field, results, screen, op),
              static_cast<uint16_t>(std::nearbyint(counts)))
        << mhz << " MHz, " << field << " V/m";
  }
  EXPECT_THAT(op.History(), IsEmpty());
}

}  // namespace
}  // namespace tarvos::calib
