// What the setup makes of a scan: the result limit, an invalid setup, a custom scan, the
// warm-up and settle waits, and the 1 kHz AM line.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;
using platform::MessageKind;

constexpr std::string_view kEnded = "The Run has Ended. ";
constexpr std::string_view kInvalidConditions = "The Run has Ended. (Invalid Conditions).";

// The result limit cannot be met by a real scan: frequencies are 32-bit Hz and the
// fields hold the step to one decimal, so the finest scan there is (0.3 % from 29.91 MHz
// to the top of the range) has 1660 frequencies. It ends on its finish, with every entry
// up to 1660 written once.
TEST(ResultLimitTest, TheLongestScanEndsOnItsFinish) {
  StationRig rig;
  // A cell calibrated to the top of the frequency range; its top row repeats the
  // 1000 MHz values, as the simulator's probe does above its table.
  {
    std::ofstream cell(rig.folder.File("cell0010.csv"), std::ios::binary | std::ios::app);
    cell << "4294,0.466,0.745,1.015,1.410\r\n";
  }
  PrepareSmallScan(rig, ScanEntry{"29.91", "4294", "0.3", "1", "1"});
  // 4294 MHz as single precision.
  const uint32_t finish = rig.St().Setup().EndFrequency;
  ASSERT_EQ(finish, 4'294'000'128U);
  rig.St().PressRun();

  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kEnded)});
  const auto& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 1660U);
  EXPECT_EQ(results.Entries[1].Frequency, 29'910'000U);
  EXPECT_EQ(results.Entries[1660].Frequency, finish);
  EXPECT_NEAR(results.Entries[1660].Level, 1.0, 0.05);
  for (uint32_t i = 2; i <= 1660; ++i) {
    ASSERT_GT(results.Entries[i].Frequency, results.Entries[i - 1].Frequency) << i;
  }
  for (std::size_t i = 1662; i < engine::kEntries; ++i) {
    EXPECT_EQ(results.Entries[i].Frequency, 0U) << i;
  }
}

// So the limit is the store's guard: a store that has nearly filled up (next index moved
// on as 1992 recorded steps would have left it) ends the run after result 1995.
TEST(ResultLimitTest, TheRunEndsAfterResult1995) {
  StationRig rig;
  PrepareSmallScan(rig, ScanEntry{.Finish = "200"});
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.St().Results().NextIndex = 1994; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());

  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 1U);
  EXPECT_EQ(history[0].Text, "The Run has Ended. (Maximum Results Allowed).");
  EXPECT_EQ(history[0].Kind, MessageKind::Warning);
  EXPECT_EQ(rig.St().Run().Reason, EndReason::MaximumResults);
  const auto& results = rig.St().Results();
  EXPECT_EQ(results.NextIndex, 1996U);
  EXPECT_EQ(engine::ResultCount(results), 1995U);
  // Steps 2 and 3 went into the last two entries; the scan had further to go.
  EXPECT_EQ(results.Entries[1994].Frequency, 105'000'000U);
  EXPECT_EQ(results.Entries[1995].Frequency, 110'250'000U);
  EXPECT_NEAR(results.Entries[1995].Level, 3.0, 0.05);
  EXPECT_FALSE(watch.FirstSeen(RunPhase::Dwell, 1996));
  for (std::size_t i = 1996; i < engine::kEntries; ++i) {
    EXPECT_EQ(results.Entries[i].Frequency, 0U) << i;
  }
  EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()).front(), kFieldOff);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

TEST(ResultLimitTest, AStoreAtItsLastEntryEndsTheRunAtTheNextPass) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::Levelling, 2, [&] { rig.St().Results().NextIndex = 2000; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.op.Texts(),
            std::vector<std::string>{"The Run has Ended. (Maximum Results Allowed)."});
  EXPECT_FALSE(watch.FirstSeen(RunPhase::Confirm, 2000));
  EXPECT_FALSE(watch.FirstSeen(RunPhase::Record, 2000));
  EXPECT_EQ(rig.St().Results().NextIndex, 2000U);
}

TEST(InvalidSetupTest, StartEqualToFinishCannotRun) {
  StationRig rig;
  rig.StartUp();
  EnterStandardScan(rig, ScanEntry{"100", "200", "5", "3", "1"});
  rig.TakeTexts();
  // A start typed equal to the finish: both held, both refused.
  EnterStandardScan(rig, ScanEntry{"200", "200", "5", "3", "1"});
  const std::vector<std::string> refusals{"Invalid End Frequency",
                                          "End Frequency Less than Start Frequency !"};
  EXPECT_EQ(rig.TakeTexts(), refusals);
  ASSERT_EQ(rig.St().Setup().StartFrequency, rig.St().Setup().EndFrequency);
  EXPECT_FALSE(rig.St().Validation().SetupValid);
  rig.sim.ClearPackets();
  StopAfter(rig, 120'000);

  rig.St().PressRun();
  // The validation at Start says why, then the run ends.
  auto texts = refusals;
  texts.emplace_back(kInvalidConditions);
  EXPECT_EQ(rig.op.Texts(), texts);
  EXPECT_EQ(rig.op.History().back().Kind, MessageKind::Warning);
  EXPECT_EQ(rig.St().Run().Reason, EndReason::InvalidConditions);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 0U);
  const auto& packets = rig.sim.SynthPackets();
  EXPECT_TRUE(std::none_of(packets.begin(), packets.end(), IsFrequencyCommand));
  for (const auto& command : LevelCommands(packets)) EXPECT_EQ(command.SetPoint, 0);
  EXPECT_EQ(rig.Screen().buttons.run.caption, "RUN");
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

TEST(CustomScanTest, StepsThroughTheGridWithItsLevels) {
  StationRig rig;
  rig.StartUp();
  rig.St().PressCustomScan();
  ASSERT_EQ(rig.St().Setup().TestMode, setup::kCustom);
  EXPECT_EQ(rig.Screen().setup.heading, "CUSTOM");
  auto& panel = rig.Screen().setup;
  panel.step.text = "10";
  panel.field.text = "3";
  panel.dwell.text = "1";
  panel.custom.cells[1] = {"100", "3"};
  panel.custom.cells[2] = {"121", "5"};
  rig.St().LeaveSetupField();
  rig.TakeTexts();
  Watch watch(rig);
  bool pre_scan_offered = false;
  watch.Every([&] {
    if (rig.St().Run().Running) {
      pre_scan_offered = pre_scan_offered || rig.Screen().buttons.pre_scan.enabled;
    }
  });
  rig.St().PressRun();

  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kEnded)});
  EXPECT_FALSE(pre_scan_offered);
  const auto& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 3U);
  // 10 % steps from the first row, ending on the last; the level between two rows in
  // the logarithm of frequency: 4 V/m at 110 MHz.
  const uint32_t frequencies[] = {100'000'000, 110'000'000, 121'000'000};
  const double levels[] = {3.0, 4.0, 5.0};
  for (uint32_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(results.Entries[i].Frequency, frequencies[i - 1]) << i;
    EXPECT_NEAR(results.Entries[i].Level, levels[i - 1], 0.05) << i;
  }
  // Three levelled steps with rising set points.
  std::vector<uint16_t> set_points;
  for (const auto& command : LevelCommands(rig.sim.SynthPackets())) {
    if (command.Mode == 0x82 && command.SetPoint != 0 &&
        (set_points.empty() || set_points.back() != command.SetPoint)) {
      set_points.push_back(command.SetPoint);
    }
  }
  ASSERT_EQ(set_points.size(), 3U);
  EXPECT_LT(set_points[0], set_points[1]);
  EXPECT_LT(set_points[1], set_points[2]);
}

TEST(WaitTest, TheFirstStepWarmsUpFor90TicksAndLaterStepsSettleFor36) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  std::vector<std::optional<uint64_t>> reached(4);
  watch.Every([&] {
    const auto& run = rig.St().Run();
    const uint32_t index = rig.St().Results().NextIndex;
    const bool waiting = run.Phase == RunPhase::Levelling || run.Phase == RunPhase::Confirm;
    if (waiting && index < reached.size() && !reached[index] && run.StatusLevelReached &&
        !run.StatusBusy) {
      reached[index] = rig.loop.ClockMs();
    }
  });
  const uint64_t pressed = rig.loop.ClockMs();
  rig.St().PressRun();
  ASSERT_EQ(engine::ResultCount(rig.St().Results()), 3U);

  // The synthesiser had the level within a few seconds; the first step still waited.
  ASSERT_TRUE(reached[1]);
  EXPECT_LT(*reached[1] - pressed, 4'000U);
  const auto first_confirm = watch.FirstSeen(RunPhase::Confirm, 1);
  ASSERT_TRUE(first_confirm);
  EXPECT_GE(*first_confirm - pressed, 90 * kTickMs);
  // The warm-up starts as the first level command goes out, just before Levelling.
  const auto first_levelling = watch.FirstSeen(RunPhase::Levelling, 1);
  ASSERT_TRUE(first_levelling);
  EXPECT_LT(*first_confirm - *first_levelling, 95 * kTickMs);
  // Later steps: no warm-up, but 36 ticks after the report before the read-back.
  for (uint32_t index = 2; index <= 3; ++index) {
    const auto confirm = watch.FirstSeen(RunPhase::Confirm, index);
    const auto read_back = watch.FirstSeen(RunPhase::ReadBack, index);
    ASSERT_TRUE(reached[index] && confirm && read_back) << index;
    EXPECT_GE(*read_back - *reached[index], 36 * kTickMs - kTickMs) << index;
    EXPECT_LT(*read_back - *reached[index], 45 * kTickMs) << index;
  }
}

// One look at the AM line.
struct AmSample {
  RunPhase Phase;
  uint32_t NextIndex;
  bool Line;
};

std::vector<AmSample> RunWithModulation(StationRig& rig, int modulation) {
  PrepareSmallScan(rig);
  rig.St().ChooseSetupModulation(modulation);
  std::vector<AmSample> samples;
  Watch watch(rig);
  watch.Every([&] {
    samples.push_back({rig.St().Run().Phase, rig.St().Results().NextIndex,
                       (rig.sim.OutputImage(kSynthInstance) & kAmLine) != 0});
  });
  rig.St().PressRun();
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  return samples;
}

// The mode bytes of the holds with modulation sent at Record.
std::vector<uint8_t> RecordModes(StationRig& rig) {
  std::vector<uint8_t> modes;
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  for (std::size_t i = 1; i < commands.size(); ++i) {
    // Record's hold follows the confirmation's level command.
    if (commands[i - 1].Mode == 0x82 && commands[i - 1].SetPoint != 0 && commands[i].Dac != 0) {
      modes.push_back(commands[i].Mode);
    }
  }
  return modes;
}

TEST(ModulationTest, AmIsOffWhileLevellingAndOnFromRecordToTheNextStep) {
  StationRig rig;
  const auto samples = RunWithModulation(rig, 4);  // "1 KHz AM"
  std::vector<int> on_in_dwell(5, 0);
  for (const auto& sample : samples) {
    if (sample.Phase == RunPhase::Levelling || sample.Phase == RunPhase::Confirm ||
        sample.Phase == RunPhase::ReadBack) {
      EXPECT_FALSE(sample.Line) << "levelling with AM at index " << sample.NextIndex;
    }
    if (sample.Phase == RunPhase::Dwell) {
      EXPECT_TRUE(sample.Line) << "dwell without AM at index " << sample.NextIndex;
      ++on_in_dwell[sample.NextIndex];
    }
  }
  for (uint32_t index = 2; index <= 4; ++index) EXPECT_GT(on_in_dwell[index], 500) << index;
  EXPECT_EQ(RecordModes(rig), (std::vector<uint8_t>{0x81, 0x81, 0x81}));
  EXPECT_EQ(rig.Screen().lamps.modulation, screen::LampColour::Off);
}

TEST(ModulationTest, PulseModulationLeavesTheAmLineOff) {
  StationRig rig;
  const auto samples = RunWithModulation(rig, 2);  // "20 Hz Pulse"
  for (const auto& sample : samples) EXPECT_FALSE(sample.Line);
  EXPECT_EQ(RecordModes(rig), (std::vector<uint8_t>{0x21, 0x21, 0x21}));
}

}  // namespace
}  // namespace tarvos::scenarios
