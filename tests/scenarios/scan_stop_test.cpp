// STOP in every phase of a standard scan, and the DWELL hold.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;
using screen::LampColour;

constexpr std::string_view kStopped = "The Run has been Stopped by User. ";
constexpr LevelCommand kSalvoDriveOff{0x82, 0, 0};

// How a run looks once it has ended, whatever ended it.
void ExpectEndedAndIdle(StationRig& rig) {
  const auto& run = rig.St().Run();
  auto& screen = rig.Screen();
  EXPECT_EQ(run.Phase, RunPhase::Idle);
  EXPECT_FALSE(run.Running);
  EXPECT_EQ(screen.buttons.run.caption, "RUN");
  EXPECT_EQ(screen.buttons.pre_scan.caption, "PRE-SCAN");
  EXPECT_EQ(screen.buttons.dwell.caption, "DWELL");
  EXPECT_TRUE(screen.buttons.run.enabled);
  EXPECT_FALSE(screen.buttons.dwell.enabled);
  EXPECT_EQ(screen.monitor.dwell, "0.0");
  EXPECT_EQ(screen.monitor.actual, "0.0");
  EXPECT_EQ(screen.monitor.target, "0.0");
  EXPECT_EQ(screen.lamps.ready, LampColour::Green);
  EXPECT_EQ(screen.lamps.standby, LampColour::Green);
  EXPECT_EQ(screen.lamps.running, LampColour::Off);
  EXPECT_EQ(screen.lamps.settling, LampColour::Off);
  // The field is off: EndRun's "81" with DAC 0, then only the Salvo's drive-off before
  // the amplifiers change over.
  EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()),
            (std::vector<LevelCommand>{kFieldOff, kSalvoDriveOff}));
  // The amplifiers are disconnected.
  EXPECT_EQ(rig.sim.Salvo().Selection, sim::kSelectNone);
  const auto& salvo = rig.sim.SalvoPackets();
  ASSERT_GE(salvo.size(), 2U);
  EXPECT_TRUE(PacketIs(salvo[salvo.size() - 2], {0x03, 0x40, 0x01, 0x04}));
  EXPECT_EQ(rig.sim.Synth().Dac, 0);
}

// The idle status poll asks for the status once every 5000 ms after the run.
void ExpectStatusPollRunning(StationRig& rig) {
  rig.sim.ClearPackets();
  rig.loop.RunFor(5000 + 100);
  EXPECT_EQ(CountPackets(rig.sim.SynthPackets(), {0x03, 0x22, 0x00, 0x04}), 1);
  rig.loop.RunFor(5000);
  EXPECT_EQ(CountPackets(rig.sim.SynthPackets(), {0x03, 0x22, 0x00, 0x04}), 2);
}

struct StopCase {
  std::string Name;
  RunPhase Phase;
  uint32_t NextIndex;    // the step in progress when STOP is pressed
  uint32_t ResultsKept;  // the steps recorded before it
};

class StopInPhaseTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopInPhaseTest, EndsAsStoppedByUserAndKeepsTheResults) {
  const StopCase& stop = GetParam();
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  bool pressed = false;
  watch.When(
      [&] {
        const auto& run = rig.St().Run();
        if (run.Phase != stop.Phase || rig.St().Results().NextIndex != stop.NextIndex) {
          return false;
        }
        // In Start, once its frequency is programmed: the stop lands inside its work.
        if (stop.Phase == RunPhase::Start) {
          const auto& packets = rig.sim.SynthPackets();
          return std::any_of(packets.begin(), packets.end(), IsFrequencyCommand);
        }
        return true;
      },
      [&] {
        pressed = true;
        rig.St().PressRun();
      });
  const int beeps = rig.loop.Beeps();
  rig.St().PressRun();
  ASSERT_TRUE(pressed);

  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 1U) << rig.op.Texts().back();
  EXPECT_EQ(history[0].Text, kStopped);
  EXPECT_EQ(history[0].Kind, MessageKind::Information);
  EXPECT_EQ(rig.loop.Beeps(), beeps + 1);
  EXPECT_EQ(rig.St().Run().Reason, engine::EndReason::StoppedByUser);

  const auto& results = rig.St().Results();
  EXPECT_EQ(engine::ResultCount(results), stop.ResultsKept);
  const uint32_t frequencies[] = {100'000'000, 105'000'000, 110'000'000};
  for (uint32_t i = 1; i <= stop.ResultsKept; ++i) {
    EXPECT_EQ(results.Entries[i].Frequency, frequencies[i - 1]) << i;
    EXPECT_NEAR(results.Entries[i].Level, 3.0, 0.05) << i;
  }
  // After STOP no phase moved on.
  EXPECT_FALSE(watch.Seen(RunPhase::Record) && stop.ResultsKept == 0);
  ExpectEndedAndIdle(rig);
  ExpectStatusPollRunning(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, StopInPhaseTest,
    ::testing::Values(StopCase{"Start", RunPhase::Start, 1, 0},
                      StopCase{"FirstLevelling", RunPhase::Levelling, 1, 0},
                      StopCase{"Levelling", RunPhase::Levelling, 2, 1},
                      StopCase{"Confirm", RunPhase::Confirm, 2, 1},
                      StopCase{"ReadBack", RunPhase::ReadBack, 2, 1},
                      StopCase{"Dwell", RunPhase::Dwell, 3, 2},
                      StopCase{"LastDwell", RunPhase::Dwell, 4, 3}),
    [](const auto& info) { return info.param.Name; });

TEST(StopTest, AStepReadBackButNotRecordedDoesNotCount) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  // Between ReadBack and Record: the second step's level is in entry 2 already.
  watch.AtPhase(RunPhase::Record, 2, [&] { rig.St().PressRun(); });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  const auto& results = rig.St().Results();
  EXPECT_EQ(engine::ResultCount(results), 1U);
  EXPECT_EQ(results.Entries[2].Frequency, 105'000'000U);
  EXPECT_NEAR(results.Entries[2].Level, 3.0, 0.05);
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kStopped)});
  // Record never ran: the step's modulated hold was not sent.
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  const auto holds = std::count_if(commands.begin(), commands.end(), [](const LevelCommand& c) {
    return c.Mode == 0x81 && c.SetPoint != 0;
  });
  EXPECT_EQ(holds, 2);  // step 1: the modulated hold and the end of its dwell
  ExpectEndedAndIdle(rig);
}

TEST(StopTest, ANewRunAfterAStopStartsAfresh) {
  StationRig rig;
  PrepareSmallScan(rig);
  {
    Watch watch(rig);
    watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.St().PressRun(); });
    rig.St().PressRun();
    ASSERT_TRUE(watch.AllFired());
  }
  ASSERT_EQ(engine::ResultCount(rig.St().Results()), 1U);
  rig.TakeTexts();
  rig.St().PressRun();
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
  ExpectEndedAndIdle(rig);
}

TEST(DwellTest, AHeldDwellNeverEndsAndReleaseLetsItEnd) {
  StationRig rig;
  PrepareSmallScan(rig);
  // Not offered outside a run.
  rig.St().PressDwell();
  EXPECT_FALSE(rig.St().Run().DwellHold);
  EXPECT_EQ(rig.Screen().buttons.dwell.caption, "DWELL");

  Watch watch(rig);
  uint64_t held_at = 0;
  uint64_t released_at = 0;
  std::string dwell_shown;
  watch.AtPhase(RunPhase::Dwell, 2, [&] {
    EXPECT_TRUE(rig.Screen().buttons.dwell.enabled);
    rig.St().PressDwell();
    held_at = rig.loop.ClockMs();
    EXPECT_EQ(rig.Screen().buttons.dwell.caption, "RELEASE");
    // Thirty seconds later the one-second dwell is still going on.
    rig.loop.ScheduleAfter(30'000, [&] {
      EXPECT_EQ(rig.St().Run().Phase, RunPhase::Dwell);
      EXPECT_EQ(rig.St().Results().NextIndex, 2U);
      dwell_shown = rig.Screen().monitor.dwell;
      rig.St().PressDwell();
      released_at = rig.loop.ClockMs();
      EXPECT_EQ(rig.Screen().buttons.dwell.caption, "DWELL");
    });
  });
  rig.St().PressRun();
  ASSERT_NE(released_at, 0U);
  EXPECT_EQ(dwell_shown, "30");

  // Held, no step moved on; released, the step ended at the next pass (after the level
  // command that takes the modulation off and its 18 ticks).
  const auto next = watch.FirstSeen(RunPhase::NextStep, 2);
  ASSERT_TRUE(next);
  EXPECT_GE(*next, held_at + 30'000);
  EXPECT_LT(*next, released_at + (18 + 2 + 4) * kTickMs);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{"The Run has Ended. "});
  ExpectEndedAndIdle(rig);
}

TEST(DwellTest, TheHoldIsForgottenByTheNextRun) {
  StationRig rig;
  PrepareSmallScan(rig);
  {
    Watch watch(rig);
    watch.AtPhase(RunPhase::Dwell, 2, [&] {
      rig.St().PressDwell();
      rig.loop.ScheduleAfter(5'000, [&] { rig.St().PressRun(); });
    });
    rig.St().PressRun();
  }
  ASSERT_EQ(rig.Screen().buttons.dwell.caption, "DWELL");
  rig.TakeTexts();
  const uint64_t start = rig.loop.ClockMs();
  rig.St().PressRun();
  EXPECT_FALSE(rig.St().Run().DwellHold);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  // Three one-second dwells, not a held one.
  EXPECT_LT(rig.loop.ClockMs() - start, 40'000U);
}

}  // namespace
}  // namespace tarvos::scenarios
