// The link driving the simulated test set: the command set's packets must mean to the
// instruments what the program intends, and the instruments' faults must reach the
// operator the way the link reports them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "screen/screen.h"
#include "sim/bench.h"
#include "sim/cell_value.h"
#include "sim/simulated_test_set.h"

namespace tarvos::link {
namespace {

using ::testing::ElementsAre;

class LevelWatch final : public LinkEvents {
 public:
  void StatusByte(uint8_t status) override {
    last = status;
    ++statuses;
  }
  void CannotReachSetPoint() override { ++cannot_reach; }
  void ControlsChanged() override { ++controls_changed; }
  bool RunPhaseActive() const override { return run_active; }

  bool Levelled() const { return (last & 0x10) == 0 && (last & 0x20) != 0; }

  uint8_t last = 0x10;
  int statuses = 0;
  int cannot_reach = 0;
  int controls_changed = 0;
  bool run_active = true;
};

struct SimRig {
  explicit SimRig(const char* bench_name = "fennix-salvo", uint32_t start_ms = 0)
      : loop(start_ms), sim(*sim::MakeBench(bench_name), 1, [this] { return loop.ClockMs(); }) {}

  // Opens and flags the units the bench has at instances 0 (synthesiser) and 1 (Salvo).
  void Connect(bool with_salvo) {
    state.SynthHandle = sim.OpenDeviceInstance("UsbI2cIo", 0);
    state.SynthPresent = state.SynthHandle > 0;
    if (with_salvo) {
      state.SalvoHandle = sim.OpenDeviceInstance("UsbI2cIo", 1);
      state.SalvoPresent = state.SalvoHandle > 0;
    }
  }

  uint16_t SetPointFor(double hz, double field) {
    const double counts = sim::ProbeCounts(sim.Calibration(), hz, field);
    return static_cast<uint16_t>(std::nearbyint(std::clamp(counts, 1.0, 65535.0)));
  }

  // Level command, then frames read pass by pass as the sequencer reads them.
  bool LevelAt(float hz, double field, int max_passes = 400) {
    commands.SetFrequency(hz);
    watch.last = 0x10;
    commands.SetLevel(kModeLevel, 0, SetPointFor(hz, field));
    for (int pass = 0; pass < max_passes; ++pass) {
      access.ReadSynthReplies();
      if (watch.Levelled()) return true;
    }
    return false;
  }

  void ReadBack() {
    access.TickWait(5, true);
    state.DacValue = 0;
    access.SendSynth("03,21,00,04");
    access.TickWait(5, true);
    access.ReadSynthReplies();
  }

  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  AdapterLink state;
  LevelWatch watch;
  sim::SimulatedTestSet sim;
  AdapterAccess access{state, sim, loop, op, screen, watch};
  CommandSet commands{access};
};

TEST(LinkOnSimulator, AStepLevelsAndReadsBackNearItsTarget) {
  SimRig rig;
  rig.Connect(true);
  ASSERT_TRUE(rig.LevelAt(900e6F, 3.0));
  EXPECT_NEAR(rig.sim.Synth().FrequencyMhz, 900.0, 0.2);
  EXPECT_TRUE(rig.sim.Synth().RangeHigh);
  EXPECT_EQ(rig.sim.Salvo().Selection, kAmplifier1);

  rig.ReadBack();
  ASSERT_GT(rig.state.DacValue, 0);
  const double scale = rig.SetPointFor(900e6, 3.0) / 3.0;
  EXPECT_NEAR(rig.state.ProbeValue / scale, 3.0, 0.05);
  EXPECT_EQ(rig.screen.diagnostics.dac_value, std::to_string(rig.state.DacValue));
  EXPECT_EQ(rig.screen.diagnostics.tx_string, "03,21,00,04");
  EXPECT_TRUE(rig.op.History().empty());
}

TEST(LinkOnSimulator, ModulationAndFieldOffReachTheSynthesiser) {
  SimRig rig;
  rig.Connect(true);
  ASSERT_TRUE(rig.LevelAt(150e6F, 5.0));
  rig.ReadBack();
  const uint16_t dac = rig.state.DacValue;

  rig.commands.SetLevel(rig.commands.ApplyModulation(kModulation1kHzAm), dac, 1);
  rig.access.ReadSynthReplies();
  EXPECT_TRUE(rig.sim.Synth().AmOn);
  EXPECT_EQ(rig.sim.Synth().Dac, dac);

  rig.commands.SetLevel(rig.commands.ApplyModulation(kModulation20HzPulse), dac, 1);
  rig.access.ReadSynthReplies();
  EXPECT_FALSE(rig.sim.Synth().AmOn);
  EXPECT_EQ(rig.sim.Synth().Pulse, 0x20);

  rig.commands.SetLevel(kModeHold, 0, 0);
  rig.access.ReadSynthReplies();
  EXPECT_EQ(rig.sim.Synth().Dac, 0);
  EXPECT_NEAR(rig.sim.Synth().FieldVm, 0.0, 1e-9);
}

TEST(LinkOnSimulator, TheWrongAmplifierSendsOneCannotReachMessage) {
  SimRig rig("corvid");
  rig.Connect(false);
  rig.sim.ConnectAmplifierByHand(sim::Amplifier::kAmplifier2);
  EXPECT_FALSE(rig.LevelAt(300e6F, 3.0, 200));
  EXPECT_EQ(rig.watch.cannot_reach, 1);
  EXPECT_EQ(rig.watch.last & 0x30, 0);  // neither busy nor reached once it gave up
}

TEST(LinkOnSimulator, ASynthesiserUnpluggedMidRunFaultsTwiceThenIsAbsent) {
  SimRig rig;
  rig.Connect(true);
  ASSERT_TRUE(rig.LevelAt(100e6F, 3.0));
  rig.sim.Faults().Synth.Unplugged = true;
  for (int i = 0; i < 3; ++i) rig.access.SendSynth("03,22,00,04");
  EXPECT_THAT(rig.op.Texts(), ElementsAre("Tarvos Fault : I2C Write Error. #1",
                                          "Tarvos Fault : I2C Write Error. #2"));
  EXPECT_FALSE(rig.state.SynthPresent);
  EXPECT_TRUE(rig.state.FaultLatched);
  EXPECT_EQ(rig.screen.lamps.hardware, screen::LampColour::Red);
  EXPECT_EQ(rig.watch.controls_changed, 3);

  // Reads of a vanished adapter fail quietly.
  const int statuses = rig.watch.statuses;
  rig.access.ReadSynthReplies();
  EXPECT_EQ(rig.watch.statuses, statuses);
  EXPECT_EQ(rig.op.Texts().size(), 2u);
}

TEST(LinkOnSimulator, ASalvoInManualModeIsReportedWithTheRunWarning) {
  SimRig rig;
  rig.Connect(true);
  rig.sim.Faults().Salvo.ManualMode = true;
  rig.commands.SelectAmplifier(kAmplifier1);
  EXPECT_THAT(rig.op.Texts(), ElementsAre("Salvo Fault : Salvo Set to Manual Mode.",
                                          "Stop Test and switch Salvo to Auto"));
  EXPECT_EQ(rig.state.LastAmplifierSelection, kNoSelection);
}

TEST(LinkOnSimulator, ASalvoOnTheWrongAmplifierIsARangeError) {
  SimRig rig;
  rig.Connect(true);
  rig.sim.Faults().Salvo.WrongAmplifier = true;
  rig.commands.SelectAmplifier(kAmplifier2);
  EXPECT_THAT(rig.op.Texts(), ElementsAre("Salvo Fault : Salvo Range Error."));
}

TEST(LinkOnSimulator, ShortReadsAreDroppedWithoutAWord) {
  SimRig rig;
  rig.Connect(true);
  rig.sim.Faults().Synth.ShortReads = 3;
  for (int i = 0; i < 3; ++i) rig.access.ReadSynthReplies();
  EXPECT_EQ(rig.watch.statuses, 0);
  rig.access.ReadSynthReplies();
  EXPECT_EQ(rig.watch.statuses, 1);
  EXPECT_TRUE(rig.op.History().empty());
}

TEST(LinkOnSimulator, FailingPortWritesLeaveTheLineStateAndShowWriteError) {
  SimRig rig;
  rig.Connect(true);
  rig.sim.Faults().Synth.FailingPortWrites = 1;
  EXPECT_FALSE(rig.access.SetOutputBit(kEutPrompt));
  EXPECT_FALSE(rig.state.OutputLineState[kEutPrompt]);
  EXPECT_EQ(rig.sim.OutputImage(0) >> kEutPrompt & 1u, 0u);
  EXPECT_THAT(rig.op.Texts(), ElementsAre("Tarvos Fault : Write Error. #1"));
  EXPECT_TRUE(rig.access.SetOutputBit(kEutPrompt));
  EXPECT_EQ(rig.sim.OutputImage(0) >> kEutPrompt & 1u, 1u);
}

TEST(LinkOnSimulator, WithoutASalvoTheOperatorIsAskedToSwitchAndTheFieldStillLevels) {
  SimRig rig("corvid");
  rig.Connect(false);
  ASSERT_TRUE(rig.LevelAt(300e6F, 3.0));
  EXPECT_THAT(rig.op.Texts(), ElementsAre("Connect Power Amplifier 1"));
}

TEST(LinkOnSimulator, AScanStraddlingTheClockWrapKeepsItsTiming) {
  SimRig rig("fennix-salvo", 0xFFFFFFFFu - 2000);
  rig.Connect(true);
  const uint64_t before = rig.loop.ClockMs();
  ASSERT_TRUE(rig.LevelAt(100e6F, 3.0));
  ASSERT_TRUE(rig.LevelAt(101e6F, 3.0));
  const uint64_t took = rig.loop.ClockMs() - before;
  EXPECT_LT(rig.loop.NowMs(), 0xFFFFFFFFu - 2000);  // the 32-bit counter has wrapped
  EXPECT_LT(took, 10'000u);                          // not 25 days
}

}  // namespace
}  // namespace tarvos::link
