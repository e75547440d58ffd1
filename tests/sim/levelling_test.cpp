#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

// Polls the status every 20 ms until the loop reports the set point reached; the time.
uint64_t MsUntilReached(Rig& rig, uint64_t limit_ms, bool* saw_busy = nullptr) {
  const uint64_t start = rig.loop.ClockMs();
  while (rig.loop.ClockMs() - start <= limit_ms) {
    const uint8_t status = rig.Status();
    if ((status & kBusy) != 0 && saw_busy != nullptr) *saw_busy = true;
    if ((status & kReached) != 0) {
      EXPECT_EQ(status & kBusy, 0);
      return rig.loop.ClockMs() - start;
    }
    rig.loop.RunFor(20);
  }
  return limit_ms + 1;
}

// Counts cannot-reach messages in the frames read over a stretch of time.
int CannotReachMessages(Rig& rig, uint64_t duration_ms) {
  int messages = 0;
  for (uint64_t t = 0; t < duration_ms; t += 50) {
    const Bytes frame = rig.Read(rig.synth);
    for (std::size_t i = 0; i + 1 < frame.size() && frame[i] != 0; i += frame[i] + 1u) {
      if (frame[i + 1] == 0xD0) ++messages;
    }
    rig.loop.RunFor(50);
  }
  return messages;
}

TEST(Levelling, ClosedLoopBecomesBusyThenReachesTheSetPoint) {
  Rig rig;
  rig.Select(2);
  rig.Tune(300.0);
  const uint16_t set_point = rig.SetPointFor(300.0, 10.0);
  rig.CloseLoop(set_point);

  bool saw_busy = false;
  const uint64_t ms = MsUntilReached(rig, 3000, &saw_busy);
  EXPECT_TRUE(saw_busy);
  EXPECT_GE(ms, 300u);
  EXPECT_LE(ms, 1500u);

  const Rig::Reading reading = rig.Measure();
  EXPECT_GT(reading.Dac, 65535 / 10);
  EXPECT_LT(reading.Dac, 65535 * 7 / 10);
  EXPECT_NEAR(reading.Probe, set_point, set_point * 0.006);
  // The program's read-back: probe / (set point / target) comes out near the target.
  EXPECT_NEAR(reading.Probe / (set_point / 10.0), 10.0, 0.06);
  EXPECT_NEAR(rig.sim.Synth().FieldVm, 10.0, 0.1);
}

TEST(Levelling, HoldsReachedAndKeepsItsDacWhenTheCommandIsRepeated) {
  Rig rig;
  rig.Select(2);
  rig.Tune(500.0);
  const uint16_t set_point = rig.SetPointFor(500.0, 5.0);
  rig.CloseLoop(set_point);
  ASSERT_LE(MsUntilReached(rig, 3000), 1500u);

  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(rig.Status() & (kBusy | kReached), kReached);
    rig.loop.RunFor(50);
  }
  const uint16_t dac = rig.sim.Synth().Dac;
  rig.CloseLoop(set_point);
  EXPECT_EQ(rig.Status() & (kBusy | kReached), kReached);
  EXPECT_EQ(rig.sim.Synth().Dac, dac);
}

TEST(Levelling, FollowsANewFrequencyFromWhereItWas) {
  Rig rig;
  rig.Select(2);
  rig.Tune(100.0);
  rig.CloseLoop(rig.SetPointFor(100.0, 10.0));
  ASSERT_LE(MsUntilReached(rig, 3000), 1500u);
  const uint16_t dac_at_100 = rig.sim.Synth().Dac;

  rig.Tune(900.0);
  rig.CloseLoop(rig.SetPointFor(900.0, 10.0));
  EXPECT_LE(MsUntilReached(rig, 3000), 1500u);
  EXPECT_NE(rig.sim.Synth().Dac, dac_at_100);
  EXPECT_NEAR(rig.sim.Synth().FieldVm, 10.0, 0.15);
}

TEST(Levelling, SetPointZeroIsRfOff) {
  Rig rig;
  rig.Select(2);
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 10.0));
  rig.loop.RunFor(2000);
  rig.CloseLoop(0);
  const SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.Dac, 0);
  EXPECT_EQ(state.FieldVm, 0.0);
  EXPECT_EQ(rig.Status() & (kBusy | kReached), kReached);
}

TEST(Levelling, HoldModeKeepsTheGivenDacWithItsPulseModulation) {
  Rig rig;
  rig.Select(2);
  rig.Tune(300.0);
  rig.Level(0x21, 0x8000, 1000);
  rig.loop.RunFor(500);
  SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.Mode, LoopMode::kHold);
  EXPECT_EQ(state.ModeByte, 0x21);
  EXPECT_EQ(state.Pulse, 0x20);
  EXPECT_EQ(state.Dac, 0x8000);
  EXPECT_EQ(state.SetPoint, 1000);
  EXPECT_GT(state.FieldVm, 5.0);
  EXPECT_EQ(rig.Status() & (kBusy | kReached), kReached);

  rig.Level(0x81, 0, 0);  // field off as a run ends
  state = rig.sim.Synth();
  EXPECT_EQ(state.Pulse, 0x80);
  EXPECT_EQ(state.Dac, 0);
  EXPECT_EQ(rig.Measure().Dac, 0);
}

TEST(Saturation, HighFieldAtOneGigahertzGivesOneCannotReachMessage) {
  Rig rig;
  rig.Select(3);
  rig.Tune(1000.0);
  rig.CloseLoop(rig.SetPointFor(1000.0, 20.0));
  EXPECT_EQ(CannotReachMessages(rig, 5000), 1);
  const SynthState state = rig.sim.Synth();
  EXPECT_TRUE(state.CannotReach);
  EXPECT_EQ(state.Dac, 65535);
  EXPECT_FALSE(state.Busy);
  EXPECT_FALSE(state.Reached);
  EXPECT_EQ(rig.Status() & (kBusy | kReached), 0);

  // Each level command may give up once.
  rig.CloseLoop(rig.SetPointFor(1000.0, 20.0));
  EXPECT_EQ(rig.Status() & (kBusy | kReached), kBusy);
  EXPECT_EQ(CannotReachMessages(rig, 3000), 1);
  EXPECT_EQ(rig.sim.Synth().CannotReachMessages, 2);
}

TEST(Saturation, CannotReachMessageCarriesTheStatusAndComesAfterFullScale) {
  Rig rig;
  rig.Select(3);  // amplifier 2 below its band
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 10.0));
  uint64_t waited = 0;
  Bytes frame;
  for (; waited < 5000; waited += 10) {
    frame = rig.Read(rig.synth);
    if (frame[1] == 0xD0) break;
    rig.loop.RunFor(10);
  }
  ASSERT_EQ(frame[0], 0x02);
  ASSERT_EQ(frame[1], 0xD0);
  EXPECT_EQ(frame[2], kHigh);  // neither busy nor reached, high range
  EXPECT_GE(waited, 500u);
  EXPECT_LE(waited, 2000u);
  EXPECT_LT(rig.sim.Synth().FieldVm, 1.0);
}

TEST(Saturation, UnreachableFaultSaturatesEvenALowSetPoint) {
  Rig rig;
  rig.sim.Faults().Synth.UnreachableSetPoint = true;
  rig.Select(2);
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 1.0));
  EXPECT_EQ(CannotReachMessages(rig, 3000), 1);
  EXPECT_EQ(rig.sim.Synth().Dac, 65535);
}

TEST(Saturation, NoAmplifierOrNoBandGivesNoField) {
  Rig rig;  // the Salvo starts with both amplifiers disconnected
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 3.0));
  EXPECT_EQ(CannotReachMessages(rig, 2000), 1);
  EXPECT_EQ(rig.sim.Synth().FieldVm, 0.0);

  rig.Select(2);
  rig.Lines(0);  // both band lines clear: no valid band
  ASSERT_EQ(rig.Write(rig.synth, {0x07, 0x40, 0x14, 0x4B, 0xFF, 0, 0, 0x04}), 8);
  const SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.Band, FrequencyBand::kNone);
  EXPECT_EQ(state.FrequencyMhz, 0.0);
  rig.Level(0x81, 0xFFFF, 0);
  EXPECT_EQ(rig.sim.Synth().FieldVm, 0.0);
}

}  // namespace
}  // namespace tarvos::sim::testing
