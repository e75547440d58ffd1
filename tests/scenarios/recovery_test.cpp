// The results of a run in progress kept in "recovery.RF" after every recorded step, the
// file gone at the end of the run, and one left behind renamed at the next start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/result_store.h"
#include "platform/operator.h"
#include "platform/text_file.h"
#include "records/records_rig.h"
#include "records/results_file.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"
#include "setup/test_setup.h"
#include "station/recovery.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kRecovery = "recovery.RF";

// A results file read back into records of its own, as File Open would read it.
std::unique_ptr<records::RecordsRig> ReadBack(const std::string& path, char delimiter) {
  auto rig = std::make_unique<records::RecordsRig>();
  rig->Delimiter = delimiter;
  records::OpenResultsFile(rig->Context(), path);
  return rig;
}

// What the recovery file holds at each dwell of the run, by the next index of that dwell.
std::map<uint32_t, std::vector<std::string>> RecoveryAtEachDwell(StationRig& rig, Watch& watch) {
  auto seen = std::make_shared<std::map<uint32_t, std::vector<std::string>>>();
  watch.Every([&rig, seen] {
    const uint32_t next = rig.St().Results().NextIndex;
    if (rig.St().Run().Phase == RunPhase::Dwell && !seen->contains(next)) {
      (*seen)[next] = rig.folder.Lines(kRecovery);
    }
  });
  rig.St().PressRun();
  return *seen;
}

TEST(RecoveryTest, EveryRecordedStepIsInTheFileAndTheEndOfTheRunDeletesIt) {
  StationRig rig;
  PrepareSmallScan(rig);  // 100, 105 and 110 MHz
  const char delimiter = rig.St().Config().FileDelimiter;
  Watch watch(rig);
  const auto seen = RecoveryAtEachDwell(rig, watch);

  EXPECT_FALSE(rig.folder.Has(kRecovery));
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
  // Steps 1 to 3 recorded: at each dwell the file holds entries 0 to the step just done
  // and the empty entry after it, as a results file saved at that moment would.
  ASSERT_EQ(seen.size(), 3u);
  const engine::ResultStore& results = rig.St().Results();
  for (const auto& [next, lines] : seen) {
    SCOPED_TRACE(next);
    ASSERT_GT(lines.size(), next + 1);
    EXPECT_EQ(lines[0], "Software Version");
    EXPECT_EQ(lines[lines.size() - next - 2], records::ResultsColumnHeading(delimiter));
    for (uint32_t i = 1; i < next; ++i) {
      EXPECT_EQ(lines[lines.size() - next - 1 + i],
                records::ResultsEntryLine(results.Entries[i], delimiter))
          << "entry " << i;
    }
    EXPECT_EQ(lines.back(), records::ResultsEntryLine(engine::ResultPoint{}, delimiter));
  }
  EXPECT_EQ(seen.begin()->first, 2u);
  EXPECT_EQ(seen.rbegin()->first, 4u);
}

TEST(RecoveryTest, TheFileOpensAsTheResultsRecordedSoFar) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  std::unique_ptr<records::RecordsRig> back;
  // Read in the second step's dwell, then STOP.
  watch.AtPhase(RunPhase::Dwell, 3, [&] {
    back = ReadBack(rig.folder.File(kRecovery), rig.St().Config().FileDelimiter);
    rig.St().PressRun();
  });
  rig.St().PressRun();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Results->NextIndex, 3u);
  for (uint32_t i = 1; i < 3; ++i) {
    EXPECT_EQ(back->Results->Entries[i].Frequency, rig.St().Results().Entries[i].Frequency);
    EXPECT_NEAR(back->Results->Entries[i].Level, rig.St().Results().Entries[i].Level, 0.005);
  }
  EXPECT_EQ(back->Results->Entries[1].Frequency, 100'000'000u);
  EXPECT_EQ(back->Results->Entries[2].Frequency, 105'000'000u);
  EXPECT_EQ(back->Setup.StartFrequency, rig.St().Setup().StartFrequency);
  // Stopped by the operator: the run has ended, and its file with it.
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
  EXPECT_FALSE(rig.folder.Has(kRecovery));
}

TEST(RecoveryTest, SavingTheFileSendsNothingToTheSynthesiser) {
  // A saved results file asks the synthesiser for its version; the file kept during the
  // run must not put packets between the run's own.
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().PressRun();
  EXPECT_EQ(CountPackets(rig.sim.SynthPackets(), {0x03, 0x20, 0x00, 0x04}), 0);
  rig.sim.ClearPackets();
  ASSERT_TRUE(rig.St().Files().SaveResultsTo(rig.folder.File("saved.RF")));
  EXPECT_GT(CountPackets(rig.sim.SynthPackets(), {0x03, 0x20, 0x00, 0x04}), 0);
}

TEST(RecoveryTest, APreScanKeepsItsStepsInAFileOfItsOwnAndItsEndDeletesThem) {
  constexpr std::string_view kPreScanRecovery = "recovery-prescan.RF";
  StationRig rig;
  PrepareSmallScan(rig);
  std::vector<bool> present;
  rig.St().OnRecorded([&](uint32_t) {
    present.push_back(rig.folder.Has(kPreScanRecovery) && !rig.folder.Has(kRecovery));
  });
  Watch watch(rig);
  std::vector<std::string> second;
  watch.AtPhase(RunPhase::NextStep, 3, [&] { second = rig.folder.Lines(kPreScanRecovery); });
  rig.St().PressPreScan();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Pre-Scan has Ended. "});
  // The hook runs after the save: the file is there from the first step on.
  EXPECT_THAT(present, ElementsAre(true, true, true));
  ASSERT_GE(second.size(), 3u);
  const char delimiter = rig.St().Config().FileDelimiter;
  EXPECT_EQ(second[second.size() - 2],
            records::ResultsEntryLine(rig.St().Results().Entries[2], delimiter));
  EXPECT_FALSE(rig.folder.Has(kRecovery));
  EXPECT_FALSE(rig.folder.Has(kPreScanRecovery));
}

// What an interrupted pre-scan left is named as a pre-scan's, to run again; opened, it is
// not offered for resume and is refused as a pre-scan's.
TEST(RecoveryTest, AnInterruptedPreScanIsNamedToRunAgainAndNeverResumed) {
  StationRig rig;
  {
    records::RecordsRig written;
    written.Results->Entries[1] = {100'000'000, 9.9F, 0};
    written.Results->Entries[2] = {105'000'000, 9.8F, 0};
    written.Results->NextIndex = 3;
    records::SaveResultsFile(written.Context(), rig.folder.File("recovery-prescan.RF"));
  }
  rig.now = {2026, 3, 4, 5, 6, 7};
  rig.StartUp();
  const std::string name = "recovered-prescan-20260304-050607.RF";
  EXPECT_FALSE(rig.folder.Has("recovery-prescan.RF"));
  ASSERT_TRUE(rig.folder.Has(name));
  EXPECT_THAT(rig.TakeTexts(),
              ::testing::Contains("A pre-scan was interrupted; what it had measured was saved "
                                  "as " + name + "\nA pre-scan cannot be resumed: to use one, "
                                  "run it again (PRE-SCAN)."));
  ASSERT_TRUE(rig.St().Files().OpenResultsFrom(rig.folder.File(name)));
  EXPECT_EQ(rig.St().Results().NextIndex, 3u);
  EXPECT_FALSE(rig.St().ResumeOffered());
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts(),
            std::vector<std::string>{"Only a standard or custom scan can be resumed."});
  EXPECT_FALSE(rig.St().Run().Running);
}

// A single-frequency test is not resumed: the message says so rather than offer it.
TEST(RecoveryTest, AnInterruptedSingleFrequencyTestIsNotOfferedForResume) {
  StationRig rig;
  {
    records::RecordsRig written;
    written.Setup.TestMode = setup::kSingle;
    written.Results->Entries[1] = {100'000'000, 3.0F, 0};
    written.Results->NextIndex = 2;
    records::SaveResultsFile(written.Context(), rig.folder.File(kRecovery));
  }
  rig.now = {2026, 3, 4, 5, 6, 7};
  rig.StartUp();
  EXPECT_THAT(rig.TakeTexts(),
              ::testing::Contains("Results of an unfinished single-frequency test were saved "
                                  "as recovered-20260304-050607.RF\nA single-frequency test is "
                                  "not resumed: open the file to see its results, or run the "
                                  "test again."));
}

TEST(RecoveryTest, AFileThatCannotBeWrittenIsToldOnceAndTheRunGoesOn) {
  StationRig rig;
  PrepareSmallScan(rig);
  // A folder in the file's place: every save of the run fails.
  std::filesystem::create_directories(rig.folder.File(kRecovery) + "/in-the-way");
  rig.St().PressRun();
  const auto texts = rig.TakeTexts();
  ASSERT_EQ(texts.size(), 2u) << ::testing::PrintToString(texts);
  EXPECT_THAT(texts[0], HasSubstr("The results of this run could not be saved to recovery.RF: "));
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Error);
  EXPECT_EQ(texts[1], "The Run has Ended. ");
  EXPECT_EQ(rig.St().Results().NextIndex, 4u);

  // The next run is told again, once.
  rig.St().PressRun();
  const auto again = rig.TakeTexts();
  ASSERT_EQ(again.size(), 2u) << ::testing::PrintToString(again);
  EXPECT_THAT(again[0], HasSubstr("could not be saved to recovery.RF"));
}

TEST(RecoveryTest, StartUpRenamesAFileLeftBehindAfterReadingTheSettings) {
  StationRig rig;
  const std::string left = "Software Version\r\nleft by a run that never ended\r\n";
  {
    std::ofstream out(rig.folder.File(kRecovery), std::ios::binary);
    out << left;
  }
  rig.now = {2026, 3, 4, 5, 6, 7};
  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());

  const std::string name = "recovered-20260304-050607.RF";
  EXPECT_FALSE(rig.folder.Has(kRecovery));
  ASSERT_TRUE(rig.folder.Has(name));
  EXPECT_EQ(platform::TextReader::Open(rig.folder.File(name)).ReadLine(), "Software Version");
  EXPECT_EQ(std::filesystem::file_size(rig.folder.File(name)), left.size());

  // The first start: the settings are missing and read as defaults, the cell serial is
  // asked for, then the one message about the recovered results.
  const auto& history = rig.op.History();
  ASSERT_GE(history.size(), 3u);
  EXPECT_EQ(history[0].Text, "INI File Missing or Corrupt. Defaults Loaded");
  EXPECT_EQ(history[1].Text, "Cell Serial Number|Enter Current Cell Serial Number");
  EXPECT_EQ(history[2].Text, "Results of an unfinished run were saved as " + name +
                                 "\nTo finish the run, open it (File > Open > Results + "
                                 "Setup) and choose Records > Resume Run.");
  EXPECT_EQ(history[2].Kind, MessageKind::Information);
  int told = 0;
  for (const auto& shown : history) told += shown.Text.starts_with("Results of an") ? 1 : 0;
  EXPECT_EQ(told, 1);
}

TEST(RecoveryTest, ARecoveredFileIsNeverOverwritten) {
  StationRig rig;
  const std::string earlier = "recovered-20261207-230509.RF";
  for (std::string_view name : {kRecovery, std::string_view(earlier)}) {
    std::ofstream out(rig.folder.File(name), std::ios::binary);
    out << name;
  }
  rig.StartUp();
  EXPECT_EQ(rig.folder.Lines(earlier), std::vector<std::string>{earlier});
  EXPECT_EQ(rig.folder.Lines("recovered-20261207-230509-2.RF"),
            std::vector<std::string>{std::string(kRecovery)});
  EXPECT_THAT(rig.TakeTexts(),
              ::testing::Contains(::testing::StartsWith("Results of an unfinished run were "
                                                        "saved as recovered-20261207-230509-2.RF\n")));
}

TEST(RecoveryTest, NothingLeftBehindMeansNothingToSay) {
  StationRig rig;
  rig.StartUp();
  for (const auto& text : rig.TakeTexts()) EXPECT_FALSE(text.starts_with("Results of an")) << text;
  for (const auto& entry : std::filesystem::directory_iterator(rig.folder.Path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("recovered-"));
  }
}

TEST(RecoveryTest, RecoveredNamesCarryTheDateAndTimeInFixedWidths) {
  EXPECT_EQ(station::RecoveredName({2026, 12, 9, 8, 5, 3}), "recovered-20261209-080503.RF");
  EXPECT_EQ(station::RecoveredName({1999, 1, 31, 23, 59, 59}), "recovered-19990131-235959.RF");
  EXPECT_EQ(station::RecoveredName({2026, 12, 9, 8, 5, 3}, true),
            "recovered-prescan-20261209-080503.RF");
  EXPECT_TRUE(station::IsPreScanRecoveryName("/a/b/recovered-prescan-20261209-080503.RF"));
  EXPECT_TRUE(station::IsPreScanRecoveryName("C:\\Tarvos\\RECOVERY-PRESCAN.rf"));
  EXPECT_FALSE(station::IsPreScanRecoveryName("/a/recovered-20261209-080503.RF"));
  EXPECT_FALSE(station::IsPreScanRecoveryName("/recovered-prescan-x/recovery.RF"));
}

}  // namespace
}  // namespace tarvos::scenarios
