#include "records/prescan_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/text_file.h"
#include "records/records_rig.h"
#include "setup/setup_block.h"

namespace tarvos::records {
namespace {

constexpr std::size_t kBlockLines = setup::kSetupBlockLines;

class PreScanFileTest : public ::testing::Test {
 protected:
  // A pre-scan of three steps as its end leaves the store and the table.
  void FillPreScan() {
    auto& results = *rig_.Results;
    auto& table = *rig_.PreScan;
    results.Entries[0].Frequency = 5;  // the graph's anchor is no row
    results.Entries[1].Frequency = 80'000'000;
    results.Entries[2].Frequency = 80'800'000;
    results.Entries[3].Frequency = 81'608'000;
    table.Entries[1].DacValue = 1200;
    table.Entries[2].DacValue = 0;
    table.Entries[3].DacValue = 65535;
    results.Entries[2000].Frequency = 1'000'000'000;
    table.Entries[2000].DacValue = 7;
    table.Entries[4].DacValue = 99;  // a step the store has no frequency for
  }

  std::vector<std::string> Rows(const std::string& path) {
    auto lines = FileLines(path);
    EXPECT_GE(lines.size(), kBlockLines);
    return {lines.begin() + static_cast<std::ptrdiff_t>(kBlockLines), lines.end()};
  }

  TempFolder folder_;
  RecordsRig rig_;
  std::string path_ = folder_.File("scan.PSC");
};

TEST_F(PreScanFileTest, WritesTheBlockThenOneRowPerNonZeroStoreFrequency) {
  FillPreScan();
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  EXPECT_EQ(rig_.Records.PreScanFileName, path_);
  EXPECT_EQ(Rows(path_), (std::vector<std::string>{"80000000;1200", "80800000;0", "81608000;65535",
                                                   "1000000000;7"}));
  const auto lines = FileLines(path_);
  EXPECT_EQ(lines[0], "10000000");  // the block's first line: CurrentFrequency
  EXPECT_EQ(lines[17], "Spare3");
}

TEST_F(PreScanFileTest, CanTakeTheFrequenciesFromTheTable) {
  FillPreScan();
  // After a pre-scan file was opened the store is empty and the table holds them.
  for (auto& entry : rig_.Results->Entries) entry.Frequency = 0;
  rig_.PreScan->Entries[1].Frequency = 30'000'000;
  rig_.PreScan->Entries[3].Frequency = 31'000'000;
  rig_.Delimiter = ',';
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromPreScanTable);
  EXPECT_EQ(Rows(path_), (std::vector<std::string>{"30000000,1200", "31000000,65535"}));

  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  EXPECT_TRUE(Rows(path_).empty());
}

TEST_F(PreScanFileTest, SaveRequestsTheVersionBeforeCreatingAfterTheBlockAndAfterClosing) {
  FillPreScan();
  std::vector<bool> existed;
  rig_.OnRequestVersion = [&](int n) {
    existed.push_back(platform::FileExists(path_));
    if (n == 3) rig_.Results->Entries[1].Frequency = 90'000'000;  // rows come after
    if (n == 4) {
      EXPECT_EQ(FileLines(path_).size(), kBlockLines + 4);
    }
  };
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  EXPECT_EQ(rig_.Calls, std::vector<std::string>(4, "RequestVersion"));
  EXPECT_EQ(existed, (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(Rows(path_)[0], "90000000;1200");
}

TEST_F(PreScanFileTest, AFailedSaveKeepsTheNameAndTheOldFile) {
  const std::string path = folder_.File("gone/scan.PSC");
  try {
    SavePreScanFile(rig_.Context(), path, PreScanFrequencies::FromResults);
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    // The system's own text for a missing folder.
    EXPECT_THAT(std::string(error.what()), ::testing::AnyOf("File not found", "Path not found"));
  }
  EXPECT_EQ(rig_.Records.PreScanFileName, path);
  // The file cannot be created: only the request sent before it.
  EXPECT_EQ(rig_.Calls.size(), 1u);
}

TEST_F(PreScanFileTest, OpenReadsTheRowsIntoTheTableAndCountsThem) {
  FillPreScan();
  rig_.Setup.TestMode = setup::kStandard;
  rig_.Setup.ModulationType = 2;
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);

  RecordsRig reader;
  reader.Records.PreScanFileName = path_;
  reader.OnRequestVersion = [&reader](int n) {
    if (n == 1) {
      EXPECT_EQ(reader.Setup.TestMode, setup::kNoMode);
    }
    if (n == 3) {
      EXPECT_EQ(reader.Results->NextIndex, 4u);
    }
  };
  OpenPreScanFile(reader.Context());
  EXPECT_EQ(reader.Calls, (std::vector<std::string>{"RequestVersion", "RequestVersion",
                                                    "ShowModulation", "RequestVersion"}));
  const auto& table = reader.PreScan->Entries;
  EXPECT_EQ(table[1].Frequency, 80'000'000u);
  EXPECT_EQ(table[1].DacValue, 1200u);
  EXPECT_EQ(table[3].Frequency, 81'608'000u);
  EXPECT_EQ(table[3].DacValue, 65535u);
  // Rows are taken by index: the step at entry 2000 came back as the fourth row.
  EXPECT_EQ(table[4].Frequency, 1'000'000'000u);
  EXPECT_EQ(table[4].DacValue, 7u);
  EXPECT_EQ(table[0].Frequency, 0u);
  EXPECT_EQ(reader.Results->NextIndex, 4u);
  // The store's frequencies are not touched.
  EXPECT_EQ(reader.Results->Entries[1].Frequency, 0u);
  EXPECT_EQ(reader.Setup.TestMode, setup::kStandard);
  EXPECT_EQ(reader.Setup.ModulationType, 2u);
}

TEST_F(PreScanFileTest, RowsRoundAndKeepWhatDoesNotRead) {
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  WriteBytes(path_, FileBytes(path_) +
                        "100.5;2.5\r\n"
                        "  101.5 ; 3.5\r\n"
                        "-3;65536\r\n"
                        "4294967296;65535;1;2\r\n"
                        "rubbish\r\n"
                        "\r\n");
  rig_.Records.PreScanFileName = path_;
  for (auto& entry : rig_.PreScan->Entries) entry = {7, 7};
  OpenPreScanFile(rig_.Context());
  const auto& t = rig_.PreScan->Entries;
  EXPECT_EQ(t[1].Frequency, 100u);
  EXPECT_EQ(t[1].DacValue, 2u);
  EXPECT_EQ(t[2].Frequency, 7u);  // a trailing blank: not a number
  EXPECT_EQ(t[2].DacValue, 4u);
  EXPECT_EQ(t[3].Frequency, 7u);
  EXPECT_EQ(t[3].DacValue, 7u);
  EXPECT_EQ(t[4].Frequency, 7u);
  EXPECT_EQ(t[4].DacValue, 65535u);
  EXPECT_EQ(t[5].Frequency, 7u);
  EXPECT_EQ(t[6].Frequency, 7u);
  EXPECT_EQ(rig_.Results->NextIndex, 6u);
}

TEST_F(PreScanFileTest, ABlankDelimiterSplitsAtBlanks) {
  FillPreScan();
  rig_.Delimiter = ' ';
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  EXPECT_EQ(Rows(path_)[0], "80000000 1200");
  RecordsRig reader;
  reader.Delimiter = ' ';
  reader.Records.PreScanFileName = path_;
  OpenPreScanFile(reader.Context());
  EXPECT_EQ(reader.PreScan->Entries[2].Frequency, 80'800'000u);
  EXPECT_EQ(reader.PreScan->Entries[3].DacValue, 65535u);
}

TEST_F(PreScanFileTest, RowsPastTheTableAreNotKept) {
  SavePreScanFile(rig_.Context(), path_, PreScanFrequencies::FromResults);
  std::string content = FileBytes(path_);
  for (uint32_t i = 1; i <= 2300; ++i)
    content += std::to_string(i) + ";" + std::to_string(i) + "\r\n";
  WriteBytes(path_, content);
  rig_.Records.PreScanFileName = path_;
  OpenPreScanFile(rig_.Context());
  EXPECT_EQ(rig_.PreScan->Entries[2000].Frequency, 2000u);
  EXPECT_EQ(rig_.PreScan->Entries[0].Frequency, 0u);
  EXPECT_EQ(rig_.Results->NextIndex, 2000u);
}

TEST_F(PreScanFileTest, AMissingFileIsReportedBeforeAnythingIsSent) {
  rig_.Records.PreScanFileName = folder_.File("none.PSC");
  try {
    OpenPreScanFile(rig_.Context());
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_TRUE(rig_.Calls.empty());
}

}  // namespace
}  // namespace tarvos::records
