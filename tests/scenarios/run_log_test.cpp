// The run's own log on the simulated test set, on virtual time: where the EUT failed, how
// long each episode lasted, DWELL, STOP, the cannot-reach question, a lost synthesiser,
// the file written row by row, and a log that cannot be written.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/text_file.h"
#include "records/run_log.h"
#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using engine::RunPhase;
using records::RunLogRow;
namespace ev = records::run_event;

constexpr int kEutContinue = 2;
// The EUT fails at the second frequency of the small scan (105 MHz) from 2 V/m; the scan
// asks for 3.
const sim::EutProfile kFailsAt105{{104.0, 106.0, 2.0}};

const RunLogRow* First(const std::vector<RunLogRow>& rows, std::string_view event) {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const RunLogRow& row) { return row.Event == event; });
  return found == rows.end() ? nullptr : &*found;
}

std::vector<std::string> LogFiles(const StationRig& rig) {
  std::vector<std::string> names;
  const std::string folder = rig.folder.File("logs");
  if (!std::filesystem::is_directory(folder)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RunLogScenarioTest, TheEutFaultIsLoggedAtTheFrequencyThatFailedIt) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(kEutContinue);
  rig.sim.SetEutProfile(kFailsAt105);
  rig.St().PressRun();

  const auto& rows = rig.St().Recorder().Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().Event, ev::kStart);
  EXPECT_EQ(rows.back().Event, ev::kEnd);
  EXPECT_EQ(rows.back().Text, "The Run has Ended. ");
  EXPECT_THAT(rows.front().Text, HasSubstr("mode=Standard; start=100.000 MHz; finish=110.000 MHz"));
  EXPECT_THAT(rows.front().Text, HasSubstr("; EUT Status=Continue; "));
  EXPECT_THAT(rows.front().Text, HasSubstr("; cell serial=10; "));
  EXPECT_THAT(rows.front().Text, HasSubstr("; synthesiser=Fennix; "));

  // Three steps, the first report (OK) and one fault episode at 105 MHz.
  std::vector<std::string> steps;
  for (const RunLogRow& row : rows) {
    if (row.Event == ev::kStep) steps.push_back(records::RunLogNumber(*row.FrequencyMhz, 3));
  }
  EXPECT_THAT(steps, ElementsAre("100.000", "105.000", "110.000"));
  const RunLogRow* ok = First(rows, ev::kEutOk);
  const RunLogRow* fault = First(rows, ev::kEutFault);
  ASSERT_TRUE(ok && fault);
  EXPECT_LT(ok->ElapsedS, fault->ElapsedS);
  EXPECT_EQ(records::RunLogNumber(*fault->FrequencyMhz, 3), "105.000");
  EXPECT_EQ(fault->Eut, engine::kEutFault);
  EXPECT_EQ(fault->TargetVm, 3.0);
  EXPECT_FALSE(fault->Text.empty());  // the phase

  const auto episodes = records::EutEpisodes(rows);
  ASSERT_EQ(episodes.size(), 1u);
  EXPECT_EQ(episodes[0].FromMhz, 105.0);
  EXPECT_EQ(episodes[0].ToMhz, 105.0);
  EXPECT_EQ(episodes[0].Steps, 1);
  EXPECT_FALSE(episodes[0].StillFailing);
  // From the fault to the first OK after it, on the run's clock: at least the 1 s dwell.
  const auto recovered = std::find_if(rows.begin(), rows.end(), [&](const RunLogRow& row) {
    return row.Event == ev::kEutOk && row.ElapsedS > fault->ElapsedS;
  });
  ASSERT_NE(recovered, rows.end());
  EXPECT_DOUBLE_EQ(*episodes[0].DurationS, recovered->ElapsedS - fault->ElapsedS);
  EXPECT_GE(*episodes[0].DurationS, 1.0);
  EXPECT_LT(*episodes[0].DurationS, 10.0);

  // The file holds the same rows.
  const auto files = LogFiles(rig);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0], "run-20261207-230509.csv");
  const std::string content = platform::ReadFileBytes(rig.folder.File("logs/" + files[0]));
  EXPECT_EQ(content, rig.St().Recorder().Content());
  EXPECT_TRUE(content.starts_with(std::string(records::kRunLogHeader) + "\r\n"));
  EXPECT_THAT(content, HasSubstr("2026-12-07 23:05:09.000,0.000,start,"));
}

TEST(RunLogScenarioTest, DwellStopAndEachRunsOwnFile) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.St().PressDwell(); });
  watch.When([&] { return rig.St().Run().DwellHold && rig.St().Run().Phase == RunPhase::Dwell; },
             [&] { rig.loop.ScheduleAfter(3000, [&] { rig.St().PressDwell(); }); });
  watch.AtPhase(RunPhase::Dwell, 3, [&] { rig.St().PressRun(); });
  rig.St().PressRun();
  watch.Stop();

  const auto& rows = rig.St().Recorder().Rows();
  const RunLogRow* hold = First(rows, ev::kHold);
  const RunLogRow* release = First(rows, ev::kRelease);
  const RunLogRow* stop = First(rows, ev::kStop);
  ASSERT_TRUE(hold && release && stop);
  EXPECT_NEAR(release->ElapsedS - hold->ElapsedS, 3.0, 0.1);
  EXPECT_LT(release->ElapsedS, stop->ElapsedS);
  EXPECT_EQ(rows.back().Event, ev::kEnd);
  EXPECT_EQ(rows.back().Text, "The Run has been Stopped by User. ");
  EXPECT_EQ(rows[rows.size() - 2].Event, ev::kStop);

  // A second run in the same second gets a name of its own.
  rig.TakeTexts();
  rig.St().PressRun();
  EXPECT_THAT(LogFiles(rig), ElementsAre("run-20261207-230509-2.csv", "run-20261207-230509.csv"));
}

// Each row has the local time its event was handled at, to the millisecond, and the
// seconds since RUN on the run's own clock: a clock that moves past midnight in the run
// shows in the rows after it, and STOP's row is as far from RUN as the loop went.
TEST(RunLogScenarioTest, EachRowHasTheLocalTimeOfItsEventAndTheSecondsSinceRun) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.now = {2026, 12, 7, 23, 59, 58, 250};
  Watch watch(rig);
  uint64_t stop_ms = 0;
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.now = {2026, 12, 8, 0, 0, 1, 7}; });
  watch.AtPhase(RunPhase::Dwell, 3, [&] {
    stop_ms = rig.loop.ClockMs();
    rig.St().PressRun();
  });
  const uint64_t run_ms = rig.loop.ClockMs();
  rig.St().PressRun();
  watch.Stop();

  const auto& rows = rig.St().Recorder().Rows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows.front().Time, "2026-12-07 23:59:58.250");
  EXPECT_EQ(rows.front().ElapsedS, 0.0);
  std::vector<std::string> step_times;
  for (const RunLogRow& row : rows) {
    if (row.Event == ev::kStep) step_times.push_back(row.Time);
  }
  EXPECT_THAT(step_times, ElementsAre("2026-12-07 23:59:58.250", "2026-12-08 00:00:01.007"));
  const RunLogRow* stop = First(rows, ev::kStop);
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->Time, "2026-12-08 00:00:01.007");
  EXPECT_DOUBLE_EQ(stop->ElapsedS, static_cast<double>(stop_ms - run_ms) / 1000.0);
  EXPECT_EQ(rig.St().Recorder().Path().substr(rig.St().Recorder().Path().size() - 23),
            "run-20261207-235958.csv");
}

TEST(RunLogScenarioTest, TheCannotReachQuestionAndItsAnswerAreLogged) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.sim.Faults().Synth.UnreachableSetPoint = true;
  rig.op.SetWhileOpen([&](const platform::ScriptedOperator::Shown& shown) {
    if (shown.Text == "Tarvos Cannot Reach Set Point. Abandon Test ?") {
      rig.sim.Faults().Synth.UnreachableSetPoint = false;
    }
  });
  rig.op.QueueAnswer(false);
  rig.St().PressRun();
  const auto& rows = rig.St().Recorder().Rows();
  const RunLogRow* question = First(rows, ev::kQuestion);
  const RunLogRow* answer = First(rows, ev::kAnswer);
  ASSERT_TRUE(question && answer);
  EXPECT_EQ(question->Text, "Tarvos Cannot Reach Set Point. Abandon Test ?");
  EXPECT_EQ(answer->Text, "No");
  EXPECT_EQ(records::RunLogNumber(*question->FrequencyMhz, 3), "100.000");
  EXPECT_EQ(rows.back().Text, "The Run has Ended. ");
}

TEST(RunLogScenarioTest, ALostSynthesiserIsLoggedWithTheFaultThatShowsNoMessage) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::Levelling, 2, [&] { rig.sim.Faults().Synth.ShortWrites = 3; });
  rig.St().PressRun();
  watch.Stop();
  std::vector<std::string> faults;
  for (const RunLogRow& row : rig.St().Recorder().Rows()) {
    if (row.Event == ev::kFault) faults.push_back(row.Text);
  }
  EXPECT_THAT(faults, ElementsAre("Tarvos Fault : I2C Write Error. #1",
                                  "Tarvos Fault : I2C Write Error. #2",
                                  "synthesiser marked absent"));
  EXPECT_EQ(rig.St().Recorder().Rows().back().Text, "HARDWARE FAULT. Run Stopped. ");
}

TEST(RunLogScenarioTest, EachRowIsInTheFileAsSoonAsItHappens) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  std::string seen;
  std::string expected;
  watch.AtPhase(RunPhase::Dwell, 3, [&] {
    const auto files = LogFiles(rig);
    ASSERT_EQ(files.size(), 1u);
    seen = platform::ReadFileBytes(rig.folder.File("logs/" + files[0]));
    expected = rig.St().Recorder().Content();
  });
  rig.St().PressRun();
  watch.Stop();
  EXPECT_EQ(seen, expected);
  const auto rows = records::ReadRunLog(seen);
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->back().Event, ev::kStep);
  EXPECT_EQ(rows->back().Step, 2u);
  // A row cut short by a crash is left out; the rows before it stay.
  const auto cut = records::ReadRunLog(seen + "2026-12-07 23:05:20.000,11.0,st");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->size(), rows->size());
}

TEST(RunLogScenarioTest, ALogThatCannotBeWrittenIsSaidOnceAndTheRunGoesOn) {
  StationRig rig;
  PrepareSmallScan(rig);
  std::ofstream(rig.folder.File("logs")) << "a file where the folder would be";
  rig.St().PressRun();
  const auto texts = rig.TakeTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_THAT(texts[0], ::testing::StartsWith("The run log could not be written: "));
  EXPECT_EQ(texts[1], "The Run has Ended. ");
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3u);
  // The rows are still kept for the window.
  EXPECT_EQ(rig.St().Recorder().Rows().back().Event, ev::kEnd);
}

// The start row says what the mode runs on: a custom scan its grid, a single frequency its
// frequency, levels and dwell, not a standard scan's unused fields; a value holding ";" or
// "=" is quoted so the text splits back into its pairs.
TEST(RunLogScenarioTest, TheStartRowHoldsWhatTheModeRunsOn) {
  StationRig rig;
  rig.StartUp();
  rig.St().PressCustomScan();
  auto& panel = rig.Screen().setup;
  panel.step.text = "25";
  panel.dwell.text = "1";
  panel.custom.cells[1] = {"150", "2"};
  panel.custom.cells[2] = {"250", "3"};
  rig.St().LeaveSetupField();
  rig.St().Records().DisplayTitle = "EUT A; mode=2 \"fast\"";
  rig.TakeTexts();
  rig.St().PressRun();
  const std::string custom = rig.St().Recorder().Rows().front().Text;
  EXPECT_THAT(custom, HasSubstr("mode=Custom; grid=150.000 MHz 2.00 V/m, 250.000 MHz 3.00 V/m; "
                                "step=25.00 %; dwell=1 s; modulation="));
  EXPECT_THAT(custom, Not(HasSubstr("start=")));
  EXPECT_THAT(custom, Not(HasSubstr("field=")));
  EXPECT_THAT(custom, HasSubstr("; title=\"EUT A; mode=2 \"\"fast\"\"\"; procedure="));

  rig.St().PressSinglePoint();
  rig.Screen().single.frequency.text = "100";
  rig.Screen().single.level.text = "3";
  rig.St().LeaveSetupField();
  rig.TakeTexts();
  Watch watch(rig);
  // STOP in the first dwell, once the run is under way (the custom scan's results are
  // still in the store at its start).
  watch.When([&] { return rig.St().Run().Running && rig.St().Run().Phase == RunPhase::Dwell; },
             [&] { rig.St().PressRun(); });
  rig.St().PressRun();
  watch.Stop();
  const std::string single = rig.St().Recorder().Rows().front().Text;
  EXPECT_THAT(single, HasSubstr("; frequency=100.000 MHz; level=3.00 V/m; auto increase=off; "
                                "start level="));
  EXPECT_THAT(single, HasSubstr("; dwell="));
  EXPECT_THAT(single, Not(HasSubstr("finish=")));
  EXPECT_THAT(single, Not(HasSubstr("grid=")));
}

TEST(RunLogScenarioTest, AStripChartLogsItsSamples) {
  StationRig rig;
  PrepareStripChart(rig);
  Watch watch(rig);
  watch.When([&] { return rig.St().Results().NextIndex >= 6; }, [&] { rig.St().PressRun(); });
  rig.St().PressRun();
  watch.Stop();
  const auto& rows = rig.St().Recorder().Rows();
  const auto samples = std::count_if(rows.begin(), rows.end(),
                                     [](const RunLogRow& row) { return row.Event == ev::kSample; });
  EXPECT_GE(samples, 3);
  const RunLogRow* sample = First(rows, ev::kSample);
  ASSERT_TRUE(sample);
  EXPECT_EQ(records::RunLogNumber(*sample->FrequencyMhz, 3), "100.000");
  EXPECT_TRUE(sample->LevelVm && sample->Step);
}

// A strip chart long enough for memory to let its oldest samples go: Save As copies the
// log file itself, every sample in it, and its rows are what Print puts on paper.
TEST(RunLogScenarioTest, SaveAsCopiesTheWholeLogFileOfALongStripChart) {
  StationRig rig;
  PrepareStripChart(rig);
  Watch watch(rig);
  watch.When([&] { return rig.St().Recorder().DroppedSamples() > 0; },
             [&] { rig.St().PressRun(); });
  rig.St().PressRun();
  watch.Stop();
  ASSERT_GT(rig.St().Recorder().DroppedSamples(), 0u);

  station::RecordsMenu& menu = rig.St().RecordsWindows();
  const std::string file = platform::ReadFileBytes(rig.St().Recorder().Path());
  rig.op.QueueFile(rig.folder.File("copy.csv"));
  menu.SaveLogAs();
  EXPECT_EQ(platform::ReadFileBytes(rig.folder.File("copy.csv")), file);
  const auto all = menu.AllLogRows();
  EXPECT_EQ(all.size(), menu.LogRows().size() + rig.St().Recorder().DroppedSamples());
  EXPECT_EQ(all.front().Event, ev::kStart);
  EXPECT_EQ(all.back().Event, ev::kEnd);

  // An opened log is copied as its file has it too.
  ASSERT_TRUE(menu.OpenLogFrom(rig.folder.File("copy.csv")));
  rig.op.QueueFile(rig.folder.File("again.csv"));
  menu.SaveLogAs();
  EXPECT_EQ(platform::ReadFileBytes(rig.folder.File("again.csv")), file);
}

}  // namespace
}  // namespace tarvos::scenarios
