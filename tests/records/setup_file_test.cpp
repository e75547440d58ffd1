#include "records/setup_file.h"

#include <gtest/gtest.h>

#include "platform/text_file.h"
#include "records/records_rig.h"
#include "setup/setup_block.h"

namespace tarvos::records {
namespace {

class SetupFileTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  RecordsRig rig_;
  std::string path_ = folder_.File("proc.STP");
};

TEST_F(SetupFileTest, HoldsTheBlockAloneAndRequestsTheVersionAroundIt) {
  rig_.Setup.TestMode = setup::kCustom;
  rig_.Setup.CustomList[1] = {200'000'000, 2.7F};
  std::vector<bool> existed;
  rig_.OnRequestVersion = [&](int) { existed.push_back(platform::FileExists(path_)); };
  SaveSetupFile(rig_.Context(), path_);
  EXPECT_EQ(rig_.Calls, std::vector<std::string>(3, "RequestVersion"));
  EXPECT_EQ(existed, (std::vector<bool>{false, false, true}));

  platform::TextWriter expected;
  setup::WriteSetupBlock(expected, rig_.Setup,
                         setup::SetupBlockContext{rig_.AmplifierConfig, {}, {}});
  EXPECT_EQ(FileBytes(path_), expected.Content());
  EXPECT_EQ(FileLines(path_).size(), 81u);
}

TEST_F(SetupFileTest, OpenShowsTheModulationAndRunsTheCallerBeforeClosing) {
  rig_.Setup.TestMode = setup::kPreScanCustom;
  rig_.Setup.ModulationType = 4;
  rig_.AmplifierConfig = 2;
  SaveSetupFile(rig_.Context(), path_);

  RecordsRig reader;
  OpenSetupFile(reader.Context(), path_, [&reader] {
    EXPECT_EQ(reader.Setup.TestMode, setup::kPreScanCustom);
    reader.Calls.push_back("before close");
  });
  EXPECT_EQ(reader.Calls,
            (std::vector<std::string>{"RequestVersion", "RequestVersion", "ShowModulation",
                                      "before close", "RequestVersion"}));
  EXPECT_EQ(reader.Setup.ModulationType, 4u);
  EXPECT_EQ(reader.AmplifierConfig, 2u);
}

TEST_F(SetupFileTest, AShortFileLoadsTheMissingValuesAsZero) {
  rig_.Setup.CustomList[0] = {80'000'000, 3.0F};
  rig_.Setup.CustomList[10] = {90'000'000, 3.0F};
  SaveSetupFile(rig_.Context(), path_);
  const auto lines = FileLines(path_);
  std::string first_40;
  for (std::size_t i = 0; i < 40; ++i) first_40 += lines[i] + "\r\n";
  WriteBytes(path_, first_40);

  RecordsRig reader;
  reader.Setup.CustomList[10] = {5, 5.0F};
  OpenSetupFile(reader.Context(), path_);
  EXPECT_EQ(reader.Setup.CustomList[0].Frequency, 80'000'000u);
  EXPECT_EQ(reader.Setup.CustomList[10].Frequency, 0u);
  EXPECT_EQ(reader.Setup.CustomList[10].Level, 0.0F);
  EXPECT_EQ(reader.Setup.CustomList[29].Frequency, 0u);
}

TEST_F(SetupFileTest, AFailedSaveLeavesTheOldFile) {
  WriteBytes(path_, "old\r\n");
  // A folder where the file should be: the rename cannot replace it.
  const std::string blocked = folder_.File("blocked.STP");
  std::filesystem::create_directory(blocked);
  try {
    SaveSetupFile(rig_.Context(), blocked);
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "File access denied");
  }
  EXPECT_EQ(FileBytes(path_), "old\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  // Refused as the file is created: only the request sent before it.
  EXPECT_EQ(rig_.Calls.size(), 1u);
}

TEST(ApplyLoadedTestTypeTest, ANormalModeDropsThePreScanAndAPreScannedOneKeepsIt) {
  for (const uint8_t mode : {setup::kStandard, setup::kSingle, setup::kCustom}) {
    setup::TestSetup setup;
    setup.TestMode = mode;
    engine::PreScanTable table;
    table.Available = true;
    screen::Screen screen;
    screen.setup.test_type = {1, true};
    ApplyLoadedTestType(setup, table, screen);
    EXPECT_FALSE(table.Available) << int{mode};
    EXPECT_EQ(screen.setup.test_type.index, 0) << int{mode};
    EXPECT_FALSE(screen.setup.test_type.enabled) << int{mode};
  }
  for (const uint8_t mode : {setup::kPreScanStandard, setup::kPreScanSingle, setup::kPreScanCustom,
                             setup::kNoMode, uint8_t{200}}) {
    setup::TestSetup setup;
    setup.TestMode = mode;
    engine::PreScanTable table;
    table.Available = true;
    screen::Screen screen;
    screen.setup.test_type = {1, true};
    ApplyLoadedTestType(setup, table, screen);
    EXPECT_TRUE(table.Available) << int{mode};
    EXPECT_EQ(screen.setup.test_type.index, 1) << int{mode};
    EXPECT_TRUE(screen.setup.test_type.enabled) << int{mode};
  }
}

TEST_F(SetupFileTest, OpeningAPreScannedSetupKeepsThePreScanAvailable) {
  rig_.Setup.TestMode = setup::kPreScanStandard;
  SaveSetupFile(rig_.Context(), path_);
  RecordsRig reader;
  reader.PreScan->Available = true;
  OpenSetupFile(reader.Context(), path_,
                [&reader] { ApplyLoadedTestType(reader.Setup, *reader.PreScan, reader.Screen); });
  EXPECT_EQ(reader.Setup.TestMode, setup::kPreScanStandard);
  EXPECT_TRUE(reader.PreScan->Available);

  rig_.Setup.TestMode = setup::kStandard;
  SaveSetupFile(rig_.Context(), path_);
  OpenSetupFile(reader.Context(), path_,
                [&reader] { ApplyLoadedTestType(reader.Setup, *reader.PreScan, reader.Screen); });
  EXPECT_FALSE(reader.PreScan->Available);
}

}  // namespace
}  // namespace tarvos::records
