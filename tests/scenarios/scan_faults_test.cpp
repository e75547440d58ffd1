// Faults during a standard scan: amplifier status, range mismatches, a set point out of
// reach, a synthesiser lost for good, and a read-back without a reply.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/forwarding_adapters.h"
#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;
using platform::MessageKind;
using screen::LampColour;

constexpr std::string_view kEnded = "The Run has Ended. ";
constexpr std::string_view kPaError = "PA STATUS ERROR. Run Stopped. ";
constexpr std::string_view kRangeError = "RANGE CHANGE ERROR. Run Stopped";
constexpr std::string_view kCannotReach = "Tarvos Cannot Reach Set Point. Abandon Test ?";
constexpr std::string_view kStopped = "The Run has been Stopped by User. ";
constexpr LevelCommand kSalvoDriveOff{0x82, 0, 0};

std::vector<std::string> Texts(std::initializer_list<std::string_view> texts) {
  return {texts.begin(), texts.end()};
}

// --- amplifier status

class AmplifierFaultTest : public ::testing::TestWithParam<uint8_t> {};

TEST_P(AmplifierFaultTest, TwoReportsInARowStopTheRunEvenBetweenSteps) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseAmplifierConfig(GetParam());
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.sim.Faults().Synth.AmplifierFault = true; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Text, kPaError);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Warning);
  EXPECT_EQ(rig.St().Run().Reason, EndReason::AmplifierFault);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 1U);
  // Stopped in the dwell: the next step never began.
  EXPECT_FALSE(watch.Seen(RunPhase::NextStep));
  EXPECT_EQ(rig.Screen().lamps.pa, LampColour::Red);
  EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()),
            (std::vector<LevelCommand>{kFieldOff, kSalvoDriveOff}));
}

TEST_P(AmplifierFaultTest, SingleReportsDoNotStopTheRun) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseAmplifierConfig(GetParam());
  auto& faults = rig.sim.Faults().Synth;
  const auto& run = rig.St().Run();
  Watch watch(rig);
  // A faulty report is followed by a good one, twice: in a dwell and while levelling.
  watch.AtPhase(RunPhase::Dwell, 2, [&] { faults.AmplifierFault = true; });
  watch.AtPhase(RunPhase::Levelling, 3, [&] { faults.AmplifierFault = true; });
  int strikes = 0;
  bool was_struck = false;
  watch.Every([&] {
    if (run.AmplifierStrike && !was_struck) {
      ++strikes;
      faults.AmplifierFault = false;
    }
    was_struck = run.AmplifierStrike;
  });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(strikes, 2);
  EXPECT_EQ(rig.op.Texts(), Texts({kEnded}));
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.Screen().lamps.pa, LampColour::Off);
}

INSTANTIATE_TEST_SUITE_P(KestrelAndVantor, AmplifierFaultTest, ::testing::Values(1, 2));

TEST(AmplifierFaultTest, OtherAmplifiersAreNotWatched) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.St().ChooseAmplifierConfig(0);
  rig.sim.Faults().Synth.AmplifierFault = true;
  rig.St().PressRun();
  EXPECT_EQ(rig.op.Texts(), Texts({kEnded}));
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.Screen().lamps.pa, LampColour::Off);
}

// --- range mismatch

TEST(RangeMismatchTest, TwoInARowWhileLevellingSwitchTheFieldOffAtOnce) {
  StationRig rig;
  PrepareSmallScan(rig);
  const auto& run = rig.St().Run();
  Watch watch(rig);
  watch.When([&] { return run.LevellingActive && rig.St().Results().NextIndex == 2; },
             [&] { rig.sim.Faults().Synth.RangeMismatch = true; });
  bool running_when_taken = false;
  std::vector<LevelCommand> commands_when_taken;
  uint16_t dac_when_taken = 1;
  watch.When([&] { return run.RangeErrorTaken; },
             [&] {
               running_when_taken = run.Running;
               commands_when_taken = LevelCommands(rig.sim.SynthPackets());
               dac_when_taken = rig.sim.Synth().Dac;
             });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  // Off before the run's end was even reached.
  EXPECT_TRUE(running_when_taken);
  ASSERT_FALSE(commands_when_taken.empty());
  EXPECT_EQ(commands_when_taken.back(), kFieldOff);
  EXPECT_EQ(dac_when_taken, 0);

  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Text, kRangeError);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Warning);
  EXPECT_EQ(run.Reason, EndReason::RangeError);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 1U);
  EXPECT_FALSE(watch.FirstSeen(RunPhase::Confirm, 2));
  EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()),
            (std::vector<LevelCommand>{kFieldOff, kFieldOff, kSalvoDriveOff}));
}

TEST(RangeMismatchTest, OneAloneIsIgnored) {
  StationRig rig;
  PrepareSmallScan(rig);
  const auto& run = rig.St().Run();
  auto& faults = rig.sim.Faults().Synth;
  Watch watch(rig);
  watch.When([&] { return run.LevellingActive && rig.St().Results().NextIndex == 2; },
             [&] { faults.RangeMismatch = true; });
  int strikes = 0;
  bool was_struck = false;
  watch.Every([&] {
    if (run.RangeStrike && !was_struck) {
      ++strikes;
      faults.RangeMismatch = false;
    }
    was_struck = run.RangeStrike;
  });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  // Struck once, and the good report that followed took the strike back.
  EXPECT_EQ(strikes, 1);
  EXPECT_FALSE(run.RangeStrike);
  EXPECT_EQ(rig.op.Texts(), Texts({kEnded}));
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_FALSE(run.RangeErrorTaken);
}

TEST(RangeMismatchTest, NoneCountsBeforeTheFirstLevelling) {
  StationRig rig;
  PrepareSmallScan(rig);
  const auto& run = rig.St().Run();
  auto& faults = rig.sim.Faults().Synth;
  faults.RangeMismatch = true;
  Watch watch(rig);
  bool struck = false;
  watch.Every([&] { struck = struck || run.RangeStrike; });
  // Cleared before the first read that levelling active would judge.
  watch.When([&] { return run.LevellingActive; }, [&] { faults.RangeMismatch = false; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  // The Start pass and the first Levelling pass both read a mismatched report.
  ASSERT_TRUE(watch.FirstSeen(RunPhase::Start, 1));
  ASSERT_TRUE(watch.FirstSeen(RunPhase::Levelling, 1));
  EXPECT_FALSE(struck);
  EXPECT_EQ(rig.op.Texts(), Texts({kEnded}));
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
}

// --- set point out of reach

TEST(CannotReachTest, YesEndsTheRunAsStoppedWithOneMessage) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.sim.Faults().Synth.UnreachableSetPoint = true;
  rig.op.QueueAnswer(true);
  rig.St().PressRun();
  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 2U) << rig.op.Texts().back();
  EXPECT_EQ(history[0].Text, kCannotReach);
  EXPECT_EQ(history[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(history[0].Answer, "Yes");
  EXPECT_EQ(history[1].Text, kStopped);
  EXPECT_EQ(history[1].Kind, MessageKind::Information);
  EXPECT_EQ(rig.St().Run().Reason, EndReason::StoppedByUser);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 0U);
  EXPECT_EQ(rig.loop.Beeps(), 1);
  EXPECT_EQ(rig.Screen().buttons.run.caption, "RUN");
  EXPECT_TRUE(rig.Screen().single.auto_increase.enabled);
  EXPECT_EQ(CommandsAfterLastDrive(rig.sim.SynthPackets()),
            (std::vector<LevelCommand>{kFieldOff, kSalvoDriveOff}));
}

TEST(CannotReachTest, NoSkipsThatFrequency) {
  StationRig rig;
  PrepareSmallScan(rig);
  auto& faults = rig.sim.Faults().Synth;
  Watch watch(rig);
  // Only the second step's level is out of reach.
  watch.AtPhase(RunPhase::Dwell, 2, [&] { faults.UnreachableSetPoint = true; });
  rig.op.SetWhileOpen([&](const platform::ScriptedOperator::Shown& shown) {
    if (shown.Text == kCannotReach) faults.UnreachableSetPoint = false;
  });
  rig.op.QueueAnswer(false);
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.op.Texts(), Texts({kCannotReach, kEnded}));
  const auto& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 2U);
  EXPECT_EQ(results.Entries[1].Frequency, 100'000'000U);
  EXPECT_EQ(results.Entries[2].Frequency, 110'000'000U);
  EXPECT_NEAR(results.Entries[2].Level, 3.0, 0.05);
  EXPECT_FALSE(rig.St().Link().SetPointQuestionPending);
}

// The simulated test set, except that one synthesiser read, the first while the run is
// in the chosen phase, returns a cannot-reach message instead: one left over from before
// the run, or one that arrives while the run ends.
class LateCannotReach final : public platform::ForwardingAdapters {
 public:
  using ForwardingAdapters::ForwardingAdapters;
  std::function<bool()> InjectWhen;
  int32_t SynthHandle = 0;
  bool Injected = false;

  int32_t ReadI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    if (!Injected && handle == SynthHandle && InjectWhen && InjectWhen()) {
      Injected = true;
      const uint8_t frame[16] = {0x02, 0xD0, 0x60};
      std::copy(std::begin(frame), std::end(frame), transfer.Data);
      return 16;
    }
    return next_.ReadI2c(handle, transfer);
  }
};

struct LateCannotReachRig {
  LateCannotReachRig() {
    op.QueueInput("10");
    station = std::make_unique<station::Station>(station::StationParts{
        loop, adapters, op, folder.Path(), [] { return station::ClockReading{}; }});
    loop.RunFor(station::kStartUpMs + 100);
    auto& panel = station->Screen().setup;
    panel.start.text = "100";
    panel.finish.text = "110";
    panel.step.text = "5";
    panel.field.text = "3";
    panel.dwell.text = "1";
    station->LeaveSetupField();
    op.ClearHistory();
    adapters.SynthHandle = station->Link().SynthHandle;
  }

  platform::VirtualEventLoop loop{1'000'000};
  platform::ScriptedOperator op;
  ProgramFolder folder;
  sim::SimulatedTestSet sim{*sim::MakeBench("fennix-salvo"), 1, [this] { return loop.ClockMs(); }};
  LateCannotReach adapters{sim};
  std::unique_ptr<station::Station> station;
};

TEST(CannotReachTest, NoToAMessageReadBeforeTheStartLetsTheRunStartAsUsual) {
  LateCannotReachRig rig;
  ASSERT_TRUE(rig.station->Link().SynthPresent);
  rig.adapters.InjectWhen = [&] {
    return rig.station->Run().Running && rig.station->Run().Phase == RunPhase::Start;
  };
  rig.op.QueueAnswer(false);
  rig.station->PressRun();
  ASSERT_TRUE(rig.adapters.Injected);
  EXPECT_EQ(rig.op.Texts(), Texts({kCannotReach, kEnded}));
  const auto& results = rig.station->Results();
  ASSERT_EQ(engine::ResultCount(results), 3U);
  EXPECT_EQ(results.Entries[1].Frequency, 100'000'000U);
  EXPECT_EQ(results.Entries[2].Frequency, 105'000'000U);
  EXPECT_EQ(results.Entries[3].Frequency, 110'000'000U);
  EXPECT_EQ(rig.station->Run().Reason, EndReason::Completed);
}

int FrequencyCommands(const sim::SimulatedTestSet& sim) {
  int count = 0;
  for (const auto& packet : sim.SynthPackets()) count += IsFrequencyCommand(packet) ? 1 : 0;
  return count;
}

TEST(CannotReachTest, NoToAMessageReadWhileTheRunEndsDoesNotTakeAnotherStep) {
  LateCannotReachRig clean;
  clean.station->PressRun();
  ASSERT_EQ(clean.op.Texts(), Texts({kEnded}));

  LateCannotReachRig rig;
  rig.adapters.InjectWhen = [&] {
    return rig.station->Run().Running && rig.station->Run().Phase == RunPhase::End;
  };
  rig.op.QueueAnswer(false);
  rig.station->PressRun();
  ASSERT_TRUE(rig.adapters.Injected);
  EXPECT_EQ(rig.op.Texts(), Texts({kCannotReach, kEnded}));
  // The frequency commands of the same run without the message: no step is added.
  EXPECT_EQ(FrequencyCommands(rig.sim), FrequencyCommands(clean.sim));
  EXPECT_EQ(engine::ResultCount(rig.station->Results()), 3U);
  EXPECT_EQ(rig.station->Run().Reason, EndReason::Completed);
}

// --- the synthesiser lost for good

TEST(SynthesiserLostTest, TheRunEndsAtTheNextPassWithAHardwareFault) {
  StationRig rig;
  PrepareSmallScan(rig);
  std::vector<EndReason> reasons;
  rig.St().OnRunEnded([&](EndReason reason) { reasons.push_back(reason); });
  Watch watch(rig);
  // The next three writes come out a byte short: two faults shown, the third marks the
  // synthesiser absent.
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.sim.Faults().Synth.ShortWrites = 3; });
  bool stop_ever_disabled = false;
  uint64_t lost_at = 0;
  watch.Every([&] {
    if (rig.St().Run().Running && !rig.Screen().buttons.run.enabled) stop_ever_disabled = true;
    if (!rig.St().Link().SynthPresent && lost_at == 0) lost_at = rig.loop.ClockMs();
  });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_FALSE(stop_ever_disabled);
  EXPECT_FALSE(rig.St().Link().SynthPresent);
  EXPECT_EQ(rig.op.Texts(), Texts({"Tarvos Fault : I2C Write Error. #1",
                                   "Tarvos Fault : I2C Write Error. #2",
                                   "HARDWARE FAULT. Run Stopped. "}));
  EXPECT_EQ(rig.op.History().back().Kind, MessageKind::Warning);
  EXPECT_EQ(reasons, std::vector<EndReason>{EndReason::HardwareFault});
  EXPECT_EQ(static_cast<int>(reasons.front()), 3);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 1U);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.Screen().buttons.run.caption, "RUN");
  EXPECT_EQ(rig.Screen().lamps.hardware, LampColour::Red);
  // Without a synthesiser nothing can be started.
  EXPECT_FALSE(rig.Screen().buttons.run.enabled);
  EXPECT_FALSE(rig.Screen().buttons.pre_scan.enabled);
  // The end came at the next pass after the loss: well within a step's time.
  ASSERT_NE(lost_at, 0U);
  const auto end = [&]() -> std::optional<uint64_t> {
    for (const auto& mark : watch.Phases()) {
      if (mark.Phase == RunPhase::End && mark.AtMs >= lost_at) return mark.AtMs;
    }
    return std::nullopt;
  }();
  ASSERT_TRUE(end);
  EXPECT_LT(*end - lost_at, 2'000U);
}

TEST(SynthesiserLostTest, StopStillEndsTheRunWhileTheFaultBoxIsOpen) {
  StationRig rig;
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.sim.Faults().Synth.ShortWrites = 3; });
  // The operator presses STOP while the second fault's box is up.
  rig.op.SetWhileOpen([&](const platform::ScriptedOperator::Shown& shown) {
    if (shown.Text == "Tarvos Fault : I2C Write Error. #2") rig.St().PressRun();
  });
  rig.St().PressRun();
  EXPECT_EQ(rig.op.Texts(), Texts({"Tarvos Fault : I2C Write Error. #1",
                                   "Tarvos Fault : I2C Write Error. #2",
                                   kStopped}));
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

// --- read-back without a reply

TEST(ReadBackTimeoutTest, RecordsALevelOfZero) {
  StationRig rig;
  PrepareSmallScan(rig);
  auto& faults = rig.sim.Faults().Synth;
  Watch watch(rig);
  // Every read of the second step's read-back comes back short, until it gives up.
  watch.AtPhase(RunPhase::ReadBack, 2, [&] { faults.ShortReads = -1; });
  watch.AtPhase(RunPhase::Record, 2, [&] { faults.ShortReads = 0; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.op.Texts(), Texts({kEnded}));
  const auto& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 3U);
  EXPECT_NEAR(results.Entries[1].Level, 3.0, 0.05);
  EXPECT_EQ(results.Entries[2].Frequency, 105'000'000U);
  EXPECT_EQ(results.Entries[2].Level, 0.0);
  EXPECT_NEAR(results.Entries[3].Level, 3.0, 0.05);
  EXPECT_NE(rig.St().Link().ProbeValue, 0);

  // It waited out the 500 ticks from the confirmation.
  const auto confirm = watch.FirstSeen(RunPhase::Confirm, 2);
  const auto record = watch.FirstSeen(RunPhase::Record, 2);
  ASSERT_TRUE(confirm && record);
  EXPECT_GE(*record - *confirm, (36 + 500) * kTickMs - kTickMs);
  // The step was held at the DAC value it read back: none.
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](const LevelCommand& c) {
    return c.Mode == 0x81 && c.Dac == 0 && c.SetPoint != 0;
  }));
}

}  // namespace
}  // namespace tarvos::scenarios
