// An interrupted scan resumed at its last result: stopped by STOP, by a fault, or left in
// the recovery file of a program that died, for standard, custom and pre-scanned runs;
// the results end as one uninterrupted run of the setup would have left them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "engine/resume.h"
#include "platform/operator.h"
#include "records/run_log.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"
#include "screen/messages.h"
#include "setup/number_forms.h"
#include "station/recovery.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;
using ::testing::ElementsAre;

constexpr std::string_view kEnded = "The Run has Ended. ";
constexpr std::string_view kStopped = "The Run has been Stopped by User. ";
constexpr std::string_view kPaError = "PA STATUS ERROR. Run Stopped. ";
// Within the simulator's noise: the levelling settles each step near its target.
constexpr double kLevelNoise = 0.1;

// 100 to 150 MHz in 5 % steps at 3 V/m, 1 s dwell: ten steps, the last one short.
const ScanEntry kScan{"100", "150", "5", "3", "1"};

struct Entry {
  uint32_t Frequency = 0;
  double Level = 0.0;
};

std::vector<Entry> Recorded(StationRig& rig) {
  std::vector<Entry> entries;
  const engine::ResultStore& results = rig.St().Results();
  for (uint32_t i = 1; i <= engine::ResultCount(results); ++i) {
    entries.push_back({results.Entries[i].Frequency, results.Entries[i].Level});
  }
  return entries;
}

std::vector<uint32_t> FrequenciesOf(const std::vector<Entry>& entries) {
  std::vector<uint32_t> frequencies;
  for (const Entry& entry : entries) frequencies.push_back(entry.Frequency);
  return frequencies;
}

// The resumed results against the uninterrupted run's: the same frequencies, levels
// within the noise, and the results before the resume point exactly as they were kept.
void ExpectOneRun(const std::vector<Entry>& resumed, const std::vector<Entry>& whole,
                  const std::vector<Entry>& kept) {
  ASSERT_EQ(FrequenciesOf(resumed), FrequenciesOf(whole));
  for (std::size_t i = 0; i < resumed.size(); ++i) {
    EXPECT_NEAR(resumed[i].Level, whole[i].Level, kLevelNoise) << "result " << i + 1;
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(resumed[i].Level, kept[i].Level) << "kept result " << i + 1;
  }
}

std::size_t FrequencyCommands(const std::vector<sim::Packet>& packets) {
  return static_cast<std::size_t>(std::count_if(packets.begin(), packets.end(), IsFrequencyCommand));
}

// The uninterrupted run of the scan on a rig of its own.
std::vector<Entry> WholeRun(const ScanEntry& scan) {
  StationRig rig;
  PrepareSmallScan(rig, scan);
  rig.St().PressRun();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kEnded)});
  return Recorded(rig);
}

// Stops the run with STOP in the dwell of the step recorded as result n.
void StopInDwellOf(StationRig& rig, Watch& watch, uint32_t n) {
  watch.AtPhase(RunPhase::Dwell, n + 1, [&rig] { rig.St().PressRun(); });
  rig.St().PressRun();
  ASSERT_EQ(engine::ResultCount(rig.St().Results()), n);
}

// STOP before the repeated step records: result N stays as it was, EUT status and all,
// and the store counts it again.
TEST(ResumeTest, AResumeStoppedBeforeItsFirstStepKeepsResultN) {
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  Watch watch(rig);
  StopInDwellOf(rig, watch, 3);
  rig.St().Results().Entries[3].EutStatus = engine::kEutFault;
  const engine::ResultPoint third = rig.St().Results().Entries[3];
  rig.TakeTexts();

  Watch again(rig);
  again.AtPhase(RunPhase::Levelling, 3, [&rig] { rig.St().PressRun(); });
  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts(), (std::vector<std::string>{"Resume the run at 110.250 MHz (result 3) ?",
                                                        std::string(kStopped)}));
  const engine::ResultStore& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 3u);
  EXPECT_EQ(results.Entries[3].Frequency, third.Frequency);
  EXPECT_EQ(results.Entries[3].Level, third.Level);
  EXPECT_EQ(results.Entries[3].EutStatus, engine::kEutFault);
  EXPECT_EQ(results.Entries[4].Frequency, 0u);
  // And it can be resumed again from the same point.
  EXPECT_TRUE(rig.St().ResumeOffered());
}

// The EUT failed at 105 and 110.25 MHz, and the scan was stopped in 110.25's dwell: the
// resumed run's effects cover the whole scan, the episode across the resume as one, and
// its log names the file it continued.
TEST(ResumeTest, AResumedRunsEffectsCoverTheWholeScan) {
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  rig.St().ChooseEutStatus(2);  // Continue
  rig.sim.SetEutProfile(sim::EutProfile{{104.0, 111.0, 2.0}});
  Watch watch(rig);
  StopInDwellOf(rig, watch, 3);
  const std::string file = rig.folder.File("stopped.RF");
  ASSERT_TRUE(rig.St().Files().SaveResultsTo(file));
  ASSERT_TRUE(rig.St().Files().OpenResultsFrom(file));
  rig.TakeTexts();

  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  const auto& rows = rig.St().Recorder().Rows();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[1].Event, records::run_event::kResume);
  EXPECT_EQ(rows[1].Step, 2u);
  EXPECT_EQ(rows[1].Text, file);

  const auto episodes = rig.St().RecordsWindows().Episodes();
  ASSERT_EQ(episodes.size(), 1u);
  EXPECT_EQ(records::RunLogNumber(episodes[0].FromMhz, 3), "105.000");
  EXPECT_EQ(records::RunLogNumber(episodes[0].ToMhz, 3), "110.250");
  EXPECT_EQ(episodes[0].Steps, 2);
  EXPECT_FALSE(episodes[0].StillFailing);
  EXPECT_FALSE(episodes[0].DurationS);  // its time before the resume is not known
  // The log alone has only what the resumed run saw.
  const auto logged = records::EutEpisodes(rows);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(records::RunLogNumber(logged[0].FromMhz, 3), "110.250");
}

TEST(ResumeTest, AScanStoppedByStopGoesOnAtItsLastResult) {
  const std::vector<Entry> whole = WholeRun(kScan);
  ASSERT_EQ(whole.size(), 10u);

  StationRig rig;
  PrepareSmallScan(rig, kScan);
  Watch watch(rig);
  StopInDwellOf(rig, watch, 3);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kStopped)});
  EXPECT_TRUE(rig.St().ResumeOffered());
  const std::vector<Entry> before = Recorded(rig);
  // The operator edits the field after the stop: the results' own setup comes back.
  rig.Screen().setup.field.text = "7";
  rig.St().LeaveSetupField();
  rig.TakeTexts();
  rig.sim.ClearPackets();

  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(history[0].Text, "Resume the run at 110.250 MHz (result 3) ?");
  EXPECT_EQ(history[1].Text, kEnded);
  EXPECT_EQ(rig.St().Setup().FieldStrength, 3.0F);
  EXPECT_EQ(rig.Screen().setup.field.text, "3.0");

  const std::vector<Entry> resumed = Recorded(rig);
  ExpectOneRun(resumed, whole, {before.begin(), before.begin() + 2});
  // Steps 3 to 10 were levelled, none before them: eight frequencies were sent, and the
  // one the last NextStep sends as the run ends.
  EXPECT_EQ(FrequencyCommands(rig.sim.SynthPackets()), 9u);
  EXPECT_FALSE(rig.St().Results().ResultsFromFile);

  // The log of the resumed run: its setup, then where it went on, then its steps.
  const auto& rows = rig.St().Recorder().Rows();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[0].Event, records::run_event::kStart);
  // The results it kept, where it went on, and no file: it went on from memory.
  EXPECT_EQ(rows[1].Event, records::run_event::kResume);
  EXPECT_EQ(rows[1].Step, 2u);
  EXPECT_EQ(rows[1].Text, "");
  EXPECT_EQ(rows[1].FrequencyMhz, 110.25);
  EXPECT_FALSE(rows[1].TargetVm);
  const auto first_step = std::find_if(rows.begin(), rows.end(), [](const auto& row) {
    return row.Event == records::run_event::kStep;
  });
  ASSERT_NE(first_step, rows.end());
  EXPECT_EQ(first_step->Step, 3u);
  EXPECT_EQ(rows.back().Event, records::run_event::kEnd);

  // Finished now: there is nothing more to resume.
  rig.TakeTexts();
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts(),
            std::vector<std::string>{std::string(screen::msg::kResumeAtFinish.Text)});
}

TEST(ResumeTest, NoToTheQuestionChangesNothing) {
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  Watch watch(rig);
  StopInDwellOf(rig, watch, 2);
  rig.Screen().setup.field.text = "7";
  rig.St().LeaveSetupField();
  rig.TakeTexts();
  const std::vector<Entry> before = Recorded(rig);
  rig.sim.ClearPackets();
  rig.op.QueueAnswer(false);
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts(),
            std::vector<std::string>{"Resume the run at 105.000 MHz (result 2) ?"});
  EXPECT_EQ(FrequenciesOf(Recorded(rig)), FrequenciesOf(before));
  EXPECT_EQ(rig.St().Setup().FieldStrength, 7.0F);
  EXPECT_TRUE(rig.sim.SynthPackets().empty());
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

TEST(ResumeTest, ARunEndedByAFaultGoesOnOnceTheFaultIsCleared) {
  const std::vector<Entry> whole = WholeRun(kScan);
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 5, [&] { rig.sim.Faults().Synth.AmplifierFault = true; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kPaError)});
  const std::vector<Entry> before = Recorded(rig);
  ASSERT_EQ(before.size(), 4u);

  rig.sim.Faults().Synth.AmplifierFault = false;
  rig.loop.RunFor(6000);  // a status poll reads the amplifier well again
  rig.TakeTexts();
  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  const std::vector<std::string> texts = rig.TakeTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Resume the run at " +
                          setup::FormatFixed(whole[3].Frequency / 1e6, 0, 3) +
                          " MHz (result 4) ?");
  EXPECT_EQ(texts[1], kEnded);
  ExpectOneRun(Recorded(rig), whole, {before.begin(), before.begin() + 3});
}

TEST(ResumeTest, TheRecoveryFileOfAProgramThatDiedFinishesItsRun) {
  const std::vector<Entry> whole = WholeRun(kScan);
  std::string left;
  std::vector<Entry> before;
  {
    StationRig died;
    PrepareSmallScan(died, kScan);
    Watch watch(died);
    // What the file holds in the dwell of result 4, as a power cut would leave it.
    watch.AtPhase(RunPhase::Dwell, 5, [&] {
      std::ifstream in(died.folder.File(station::kRecoveryFile), std::ios::binary);
      left.assign(std::istreambuf_iterator<char>(in), {});
      before = Recorded(died);
      died.St().PressRun();
    });
    died.St().PressRun();
  }
  ASSERT_FALSE(left.empty());

  StationRig rig;
  {
    std::ofstream out(rig.folder.File(station::kRecoveryFile), std::ios::binary);
    out << left;
  }
  rig.StartUp();
  const std::string name = "recovered-20261207-230509.RF";
  EXPECT_THAT(rig.TakeTexts(),
              ::testing::Contains("Results of an unfinished run were saved as " + name +
                                  "\nTo finish the run, open it (File > Open > Results + "
                                  "Setup) and choose Records > Resume Run."));
  ASSERT_TRUE(rig.St().Files().OpenResultsFrom(rig.folder.File(name)));
  EXPECT_TRUE(rig.St().ResumeOffered());
  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts().back(), kEnded);
  ExpectOneRun(Recorded(rig), whole, {});
  // The kept results are the file's, as saved (the file keeps two decimals).
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(Recorded(rig)[i].Level, before[i].Level, 0.005) << i;
  }
  EXPECT_FALSE(rig.folder.Has(station::kRecoveryFile));
}

// A custom scan whose resumed part crosses the cell's range threshold (200 MHz) and the
// amplifier changeover (moved down to 800 MHz here, where amplifier 2 takes over).
void PrepareCustomScan(StationRig& rig) {
  {
    std::ofstream salvo(rig.folder.File("Salvo.INI"), std::ios::binary);
    salvo << "Brevant Instruments Ltd Salvo amplifier switching unit\r\n"
             "Amplifier changeover frequency in MHz\r\n"
             "(line 4: amplifier 1 below it, amplifier 2 from it up)\r\n"
             "800.0\r\n";
  }
  rig.StartUp();
  rig.St().PressCustomScan();
  auto& panel = rig.Screen().setup;
  panel.step.text = "25";
  panel.dwell.text = "1";
  panel.custom.cells[1] = {"150", "2"};
  panel.custom.cells[2] = {"950", "3"};
  rig.St().LeaveSetupField();
  rig.TakeTexts();
}

TEST(ResumeTest, ACustomScanGoesOnAcrossTheRangeAndTheAmplifierChange) {
  std::vector<Entry> whole;
  std::vector<sim::Packet> whole_salvo;
  {
    StationRig rig;
    PrepareCustomScan(rig);
    ASSERT_EQ(rig.St().Setup().TestMode, setup::kCustom);
    rig.St().PressRun();
    ASSERT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kEnded)});
    whole = Recorded(rig);
  }
  ASSERT_EQ(whole.size(), 10u);
  ASSERT_LT(whole[1].Frequency, 200'000'000u);
  ASSERT_GT(whole[2].Frequency, 200'000'000u);
  ASSERT_GT(whole[8].Frequency, 800'000'000u);

  StationRig rig;
  PrepareCustomScan(rig);
  Watch watch(rig);
  StopInDwellOf(rig, watch, 2);
  const std::vector<Entry> before = Recorded(rig);
  rig.TakeTexts();
  rig.sim.ClearPackets();
  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts().back(), kEnded);
  ExpectOneRun(Recorded(rig), whole, {before.begin(), before.begin() + 1});
  // The levels follow the grid: 2 V/m at its first row, 3 at its last.
  EXPECT_NEAR(Recorded(rig).front().Level, 2.0, kLevelNoise);
  EXPECT_NEAR(Recorded(rig).back().Level, 3.0, kLevelNoise);
  // Steps 2 to 10, and the frequency the run's last NextStep sends as it ends.
  EXPECT_EQ(FrequencyCommands(rig.sim.SynthPackets()), 10u);
}

// A pre-scan of the small scan, then a pre-scanned run of it.
void PrepareByPreScan(StationRig& rig) {
  PrepareSmallScan(rig, kScan);
  rig.St().PressPreScan();
  ASSERT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Pre-Scan has Ended. "});
  ASSERT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
}

// The DAC value of the first level command after each frequency command.
std::vector<uint16_t> ReplayedDacs(const std::vector<sim::Packet>& packets) {
  std::vector<uint16_t> dacs;
  bool want = false;
  for (const auto& packet : packets) {
    if (IsFrequencyCommand(packet)) {
      want = true;
    } else if (const auto command = AsLevelCommand(packet); command && want) {
      dacs.push_back(command->Dac);
      want = false;
    }
  }
  return dacs;
}

TEST(ResumeTest, APreScannedRunGoesOnWithItsReplayAtTheSameIndex) {
  StationRig rig;
  PrepareByPreScan(rig);
  const engine::PreScanTable table = rig.St().PreScan();
  rig.St().PressRun();
  ASSERT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kEnded)});
  const std::vector<Entry> whole = Recorded(rig);
  ASSERT_EQ(whole.size(), 10u);

  Watch watch(rig);
  StopInDwellOf(rig, watch, 5);
  const std::vector<Entry> before = Recorded(rig);
  ASSERT_TRUE(rig.St().Files().SaveResultsTo(rig.folder.File("pre-scanned.RF")));
  rig.TakeTexts();
  rig.sim.ClearPackets();
  rig.op.QueueAnswer(true);
  rig.St().ResumeRun();
  EXPECT_EQ(rig.TakeTexts().back(), kEnded);
  ExpectOneRun(Recorded(rig), whole, {before.begin(), before.begin() + 4});
  // Steps 5 to 10 drove the synthesiser with the pre-scan's DAC values 5 to 10 (and the
  // end's NextStep with entry 11's, which is none).
  std::vector<uint16_t> expected;
  for (uint32_t i = 5; i <= 11; ++i) expected.push_back(table.Entries[i].DacValue);
  EXPECT_EQ(ReplayedDacs(rig.sim.SynthPackets()), expected);

  // In another session: the pre-scan opened first, then the results, then the resume.
  StationRig later;
  std::filesystem::copy_file(rig.folder.File("pre-scanned.RF"), later.folder.File("run.RF"));
  std::filesystem::copy_file(rig.folder.File("tempprescan.psc"), later.folder.File("ps.PSC"));
  later.StartUp();
  ASSERT_TRUE(later.St().Files().OpenResultsFrom(later.folder.File("run.RF")));
  later.TakeTexts();
  later.St().ResumeRun();
  EXPECT_EQ(later.TakeTexts(),
            std::vector<std::string>{std::string(screen::msg::kResumeNeedsPreScan.Text)});
  ASSERT_TRUE(later.St().Files().OpenPreScansFrom(later.folder.File("ps.PSC")));
  ASSERT_TRUE(later.St().Files().OpenResultsFrom(later.folder.File("run.RF")));
  ASSERT_TRUE(later.St().PreScan().Available);
  later.TakeTexts();
  later.sim.ClearPackets();
  later.op.QueueAnswer(true);
  later.St().ResumeRun();
  const std::vector<std::string> texts = later.TakeTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Resume the run at " + setup::FormatFixed(whole[4].Frequency / 1e6, 0, 3) +
                          " MHz (result 5) ?");
  EXPECT_EQ(texts[1], kEnded);
  EXPECT_EQ(FrequenciesOf(Recorded(later)), FrequenciesOf(whole));
  EXPECT_EQ(ReplayedDacs(later.sim.SynthPackets()), expected);
}

// A refusal is a warning box and nothing else: no question, no run, the store as it was.
void ExpectRefused(StationRig& rig, std::string_view refusal) {
  const std::vector<Entry> before = Recorded(rig);
  const setup::TestSetup setup = rig.St().Setup();
  rig.op.ClearHistory();
  rig.sim.ClearPackets();
  rig.St().ResumeRun();
  ASSERT_EQ(rig.op.History().size(), 1u);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Warning);
  EXPECT_EQ(rig.op.History()[0].Text, refusal);
  EXPECT_EQ(FrequenciesOf(Recorded(rig)), FrequenciesOf(before));
  EXPECT_EQ(rig.St().Setup().TestMode, setup.TestMode);
  EXPECT_EQ(rig.St().Setup().FieldStrength, setup.FieldStrength);
  EXPECT_TRUE(rig.sim.SynthPackets().empty());
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

TEST(ResumeTest, EachRefusalIsAWarningThatChangesNothing) {
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  {
    SCOPED_TRACE("nothing in the store");
    EXPECT_FALSE(rig.St().ResumeOffered());
    ExpectRefused(rig, screen::msg::kResumeNoResults.Text);
  }
  {
    SCOPED_TRACE("a scan run to its finish");
    rig.St().PressRun();
    ExpectRefused(rig, screen::msg::kResumeAtFinish.Text);
  }
  {
    SCOPED_TRACE("cleared");
    rig.op.QueueAnswer(true);
    rig.St().DisplayClear();
    ExpectRefused(rig, screen::msg::kResumeNoResults.Text);
  }
  {
    SCOPED_TRACE("a pre-scan's results");
    rig.St().PressPreScan();
    ExpectRefused(rig, screen::msg::kResumeOnlyScans.Text);
  }
}

TEST(ResumeTest, ResultsOffTheStepsOfTheirSetupAreRefused) {
  StationRig rig;
  PrepareSmallScan(rig, kScan);
  Watch watch(rig);
  StopInDwellOf(rig, watch, 3);
  const std::string path = rig.folder.File("stopped.RF");
  ASSERT_TRUE(rig.St().Files().SaveResultsTo(path));
  // Result 2 moved by 1 kHz in the file.
  std::vector<std::string> lines = rig.folder.Lines("stopped.RF");
  const auto moved = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("   105000000;");
  });
  ASSERT_NE(moved, lines.end());
  moved->replace(3, 9, "105001000");
  {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines) out << line << "\r\n";
  }
  ASSERT_TRUE(rig.St().Files().OpenResultsFrom(path));
  ExpectRefused(rig, screen::msg::kResumeOffSteps.Text);

  // A single-frequency setup opened with results is no scan.
  StationRig single;
  single.StartUp();
  const auto mode_line = lines.begin() + 24;  // the setup block's test mode
  ASSERT_EQ(*mode_line, "1") << "the setup block moved";
  *mode_line = "2";
  {
    std::ofstream out(single.folder.File("single.RF"), std::ios::binary);
    for (const std::string& line : lines) out << line << "\r\n";
  }
  ASSERT_TRUE(single.St().Files().OpenResultsFrom(single.folder.File("single.RF")));
  single.TakeTexts();
  ExpectRefused(single, screen::msg::kResumeOnlyScans.Text);
}

}  // namespace
}  // namespace tarvos::scenarios
