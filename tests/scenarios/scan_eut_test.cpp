// The EUT line during a standard scan: faults by EUT Status and "Stop on EUT Fault",
// where a fault is recorded, the EUT lamps, and the EUT prompt line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;
using screen::LampColour;

constexpr std::string_view kEutFailure = "Unfortunately, the Run has Ended on EUT Failure.";
constexpr int kEutOff = 0;
constexpr int kEutHalt = 1;
constexpr int kEutContinue = 2;

// The EUT fails at the second frequency of the small scan (105 MHz) once the field
// reaches 2 V/m; the scan asks for 3.
const sim::EutProfile kFailsAt105{{104.0, 106.0, 2.0}};
const sim::EutProfile kFailsEverywhere{{30.0, 1000.0, 0.5}};

struct EutCase {
  std::string Name;
  int EutStatus;
  bool StopOnEutFault;
  bool Stops;
};

class EutFaultTest : public ::testing::TestWithParam<EutCase> {};

TEST_P(EutFaultTest, AFaultWhileLevellingStopsOrIsRecorded) {
  const EutCase& eut = GetParam();
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(eut.EutStatus);
  // The box belongs to the single-frequency panel; the window leaves it as it was.
  rig.Screen().single.stop_on_eut_fault.checked = eut.StopOnEutFault;
  rig.sim.SetEutProfile(kFailsAt105);

  Watch watch(rig);
  screen::Lamps in_faulty_dwell, in_next_dwell;
  watch.AtPhase(RunPhase::Dwell, 3, [&] { in_faulty_dwell = rig.Screen().lamps; });
  watch.AtPhase(RunPhase::Dwell, 4, [&] { in_next_dwell = rig.Screen().lamps; });
  rig.St().PressRun();
  const auto& results = rig.St().Results();
  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 1U);

  if (eut.Stops) {
    EXPECT_EQ(history[0].Text, kEutFailure);
    EXPECT_EQ(history[0].Kind, MessageKind::Warning);
    EXPECT_EQ(rig.St().Run().Reason, engine::EndReason::EutFailure);
    // Ended at the next pass, in the middle of the second step's levelling.
    EXPECT_EQ(engine::ResultCount(results), 1U);
    EXPECT_TRUE(watch.FirstSeen(RunPhase::Levelling, 2));
    EXPECT_FALSE(watch.FirstSeen(RunPhase::Confirm, 2));
    EXPECT_EQ(results.Entries[1].EutStatus, engine::kEutOk);
    EXPECT_EQ(results.Entries[2].EutStatus, engine::kEutFault);
    EXPECT_EQ(rig.Screen().lamps.eut_fault, LampColour::Red);
    EXPECT_EQ(rig.Screen().lamps.eut_ok, LampColour::Off);
    EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()).front(), kFieldOff);
  } else {
    EXPECT_EQ(history[0].Text, "The Run has Ended. ");
    ASSERT_EQ(engine::ResultCount(results), 3U);
    // Each entry keeps the last report while it was the step in progress: the fault of
    // step 2 and of its dwell, then step 3 levelled without one.
    EXPECT_EQ(results.Entries[1].EutStatus, engine::kEutOk);
    EXPECT_EQ(results.Entries[2].EutStatus, engine::kEutFault);
    EXPECT_EQ(results.Entries[3].EutStatus, engine::kEutOk);
    EXPECT_EQ(in_faulty_dwell.eut_fault, LampColour::Red);
    EXPECT_EQ(in_faulty_dwell.eut_ok, LampColour::Off);
    EXPECT_EQ(in_next_dwell.eut_fault, LampColour::Off);
    EXPECT_EQ(in_next_dwell.eut_ok, LampColour::Green);
  }

  // With the field off the idle poll finds the EUT well again.
  rig.loop.RunFor(5100);
  EXPECT_EQ(rig.Screen().lamps.eut_ok, LampColour::Green);
  EXPECT_EQ(rig.Screen().lamps.eut_fault, LampColour::Off);
  EXPECT_EQ(rig.op.History().size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(
    EutStatus, EutFaultTest,
    ::testing::Values(EutCase{"Off", kEutOff, false, false},
                      EutCase{"Continue", kEutContinue, false, false},
                      EutCase{"Halt", kEutHalt, false, true},
                      EutCase{"OffWithStopOnEutFault", kEutOff, true, true},
                      EutCase{"ContinueWithStopOnEutFault", kEutContinue, true, true}),
    [](const auto& info) { return info.param.Name; });

TEST(EutFaultTest, AFaultInADwellIsRecordedInTheFollowingEntry) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(kEutHalt);
  rig.sim.SetEutProfile({});
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.sim.SetEutProfile(kFailsEverywhere); });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kEutFailure)});
  const auto& results = rig.St().Results();
  EXPECT_EQ(engine::ResultCount(results), 1U);
  EXPECT_EQ(results.Entries[1].EutStatus, engine::kEutOk);
  // Beyond the recorded results.
  EXPECT_EQ(results.Entries[2].EutStatus, engine::kEutFault);
  EXPECT_FALSE(watch.Seen(RunPhase::NextStep));
}

TEST(EutFaultTest, ChangingEutStatusClearsTheLatch) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(kEutContinue);
  rig.sim.SetEutProfile(kFailsAt105);
  Watch watch(rig);
  // The fault is latched in the second dwell; choosing Halt then starts from a clean
  // slate, and the next report (the EUT still fails) latches it again and stops.
  bool latched_before = false, latched_after = true;
  watch.AtPhase(RunPhase::Dwell, 3, [&] {
    latched_before = rig.St().Run().EutFaultLatched;
    rig.St().ChooseEutStatus(kEutHalt);
    latched_after = rig.St().Run().EutFaultLatched;
  });
  rig.St().PressRun();
  EXPECT_TRUE(latched_before);
  EXPECT_FALSE(latched_after);
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kEutFailure)});
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 2U);
}

// One look at the EUT prompt line.
struct PromptSample {
  uint64_t AtMs;
  RunPhase Phase;
  uint32_t NextIndex;
  bool Line;
  LampColour Lamp;
};

std::vector<PromptSample> RunWithPrompt(StationRig& rig, int prompt) {
  PrepareSmallScan(rig, ScanEntry{.Dwell = "3"});
  rig.St().ChooseEutPrompt(prompt);
  std::vector<PromptSample> samples;
  Watch watch(rig);
  watch.Every([&] {
    samples.push_back({rig.loop.ClockMs(), rig.St().Run().Phase, rig.St().Results().NextIndex,
                       (rig.sim.OutputImage(kSynthInstance) & kEutPromptLine) != 0,
                       rig.Screen().lamps.eut_prompt});
  });
  rig.St().PressRun();
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{"The Run has Ended. "});
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.sim.OutputImage(kSynthInstance) & kEutPromptLine, 0U);
  EXPECT_EQ(rig.Screen().lamps.eut_prompt, LampColour::Off);
  return samples;
}

bool Levelling(RunPhase phase) {
  return phase == RunPhase::Levelling || phase == RunPhase::Confirm ||
         phase == RunPhase::ReadBack;
}

TEST(EutPromptTest, PulseSetsTheLineFor1000MsOncePerDwell) {
  StationRig rig;
  const auto samples = RunWithPrompt(rig, 1);
  struct Pulse {
    uint64_t From, To;
    uint32_t NextIndex;
    RunPhase Phase;
  };
  std::vector<Pulse> pulses;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i].Line && !samples[i - 1].Line) {
      pulses.push_back({samples[i].AtMs, 0, samples[i].NextIndex, samples[i].Phase});
    } else if (!samples[i].Line && samples[i - 1].Line) {
      ASSERT_FALSE(pulses.empty());
      pulses.back().To = samples[i].AtMs;
    }
  }
  ASSERT_EQ(pulses.size(), 3U);
  for (std::size_t i = 0; i < pulses.size(); ++i) {
    // From the step's Record on, before next index moves to the following entry.
    EXPECT_EQ(pulses[i].NextIndex, i + 1) << "one pulse for step " << i + 1;
    EXPECT_EQ(pulses[i].Phase, RunPhase::Record);
    EXPECT_NEAR(static_cast<double>(pulses[i].To - pulses[i].From), 1000.0, 3.0);
  }
  // The lamp stays green through the rest of the dwell, and is off while levelling.
  for (const auto& sample : samples) {
    if (sample.Phase == RunPhase::Dwell) {
      EXPECT_EQ(sample.Lamp, LampColour::Green);
    }
    if (Levelling(sample.Phase)) {
      EXPECT_EQ(sample.Lamp, LampColour::Off);
      EXPECT_FALSE(sample.Line);
    }
  }
}

TEST(EutPromptTest, OnHoldsTheLineThroughEveryDwellAndClearsItForLevelling) {
  StationRig rig;
  const auto samples = RunWithPrompt(rig, 2);
  std::vector<int> dwell_samples(5, 0);
  for (const auto& sample : samples) {
    if (sample.Phase == RunPhase::Dwell) {
      ++dwell_samples[sample.NextIndex];
      EXPECT_TRUE(sample.Line) << sample.AtMs;
      EXPECT_EQ(sample.Lamp, LampColour::Green);
    }
    if (Levelling(sample.Phase)) {
      EXPECT_FALSE(sample.Line) << sample.AtMs;
      EXPECT_EQ(sample.Lamp, LampColour::Off);
    }
  }
  // Three whole dwells of about three seconds each.
  for (uint32_t index = 2; index <= 4; ++index) EXPECT_GT(dwell_samples[index], 2500) << index;
}

TEST(EutPromptTest, OffNeverSetsTheLine) {
  StationRig rig;
  const auto samples = RunWithPrompt(rig, 0);
  for (const auto& sample : samples) {
    EXPECT_FALSE(sample.Line);
    EXPECT_EQ(sample.Lamp, LampColour::Off);
  }
}

}  // namespace
}  // namespace tarvos::scenarios
