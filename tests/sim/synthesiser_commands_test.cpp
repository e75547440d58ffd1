#include <gtest/gtest.h>

#include <cstdint>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

const Bytes k900MhzCommand = {0x07, 0x40, 0x21, 0x92, 0xFF, 0x00, 0x00, 0x04};

TEST(FrequencyCommand, DecodesWithTheBandLines) {
  Rig rig;
  rig.Lines(kRange1);  // line 9 clear, line 10 set
  ASSERT_EQ(rig.Write(rig.synth, k900MhzCommand), 8);
  SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.Band, FrequencyBand::kBand1);
  EXPECT_NEAR(state.FrequencyMhz, 900.0, 0.1);
  EXPECT_TRUE(state.RangeHigh);
  EXPECT_EQ(rig.Status() & (kHigh | kLow), kHigh);

  rig.Lines(kRange0 | kRange1);
  rig.Write(rig.synth, k900MhzCommand);
  state = rig.sim.Synth();
  EXPECT_EQ(state.Band, FrequencyBand::kBand2);
  EXPECT_NEAR(state.FrequencyMhz, 0x2192 * 0.256, 1e-9);

  rig.Lines(kRange0);
  rig.Write(rig.synth, {0x07, 0x40, 0x21, 0x92, 0x00, 0x00, 0x00, 0x04});
  state = rig.sim.Synth();
  EXPECT_EQ(state.Band, FrequencyBand::kBand3);
  EXPECT_NEAR(state.FrequencyMhz, 0x2192 * 0.256, 1e-9);
  EXPECT_FALSE(state.RangeHigh);
  EXPECT_EQ(rig.Status() & (kHigh | kLow), kLow);

  rig.Lines(0);
  rig.Write(rig.synth, k900MhzCommand);
  EXPECT_EQ(rig.sim.Synth().Band, FrequencyBand::kNone);
}

TEST(FrequencyCommand, ThirtyMegahertzAndAnImpossibleCounter) {
  Rig rig;
  rig.Tune(30.0);  // N = 5195
  EXPECT_NEAR(rig.sim.Synth().FrequencyMhz, 5195 * 0.256 - 1300.0, 1e-9);
  rig.Lines(kRange1);
  rig.Write(rig.synth, {0x07, 0x40, 0x00, 0x10, 0x00, 0x00, 0x00, 0x04});  // below 1300 MHz
  EXPECT_EQ(rig.sim.Synth().Band, FrequencyBand::kNone);
}

TEST(SynthCommands, VersionStartUpPllAndMeasurementReplies) {
  Rig rig;
  rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04});
  EXPECT_EQ(rig.Read(rig.synth),
            (Bytes{0x06, 0xC0, 0, 0, 0, 3, 6, 0x05, 0xC3, 0, 0, 0, kLow, 0, 0, 0}));

  EXPECT_FALSE(rig.sim.Synth().StartUpSeen);
  rig.Write(rig.synth, {0x03, 0x3E, 0xA5, 0x04});
  EXPECT_TRUE(rig.sim.Synth().StartUpSeen);

  rig.Write(rig.synth, {0x06, 0x30, 0x12, 0x34, 0x13, 0x88, 0x04});
  EXPECT_EQ(rig.sim.Synth().PllN, 0x1234);
  EXPECT_EQ(rig.sim.Synth().PllR, 0x1388);

  rig.Write(rig.synth, {0x03, 0x21, 0x01, 0x04});
  EXPECT_EQ(rig.Read(rig.synth), (Bytes{0x0A, 0xC1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  rig.Write(rig.synth, {0x03, 0x22, 0x00, 0x04});
  EXPECT_EQ(rig.Read(rig.synth), (Bytes{0x02, 0xC4, kLow, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(SynthCommands, OldFirmwareReportsItsVersion) {
  Rig rig("old-firmware");
  rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04});
  const Bytes frame = rig.Read(rig.synth);
  EXPECT_EQ(frame[5], 3);
  EXPECT_EQ(frame[6], 2);
}

TEST(SynthCommands, ResetDropsTheLevelAndTheQueuedReplies) {
  Rig rig;
  rig.Select(2);
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 10.0));
  rig.loop.RunFor(2000);
  rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04});
  ASSERT_EQ(rig.sim.Synth().QueuedReplies, 1u);

  rig.Write(rig.synth, {0x03, 0x31, 0x00, 0x04});
  const SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.Resets, 1);
  EXPECT_EQ(state.Mode, LoopMode::kOff);
  EXPECT_EQ(state.Dac, 0);
  EXPECT_EQ(state.QueuedReplies, 0u);
  const Bytes frame = rig.Read(rig.synth);
  EXPECT_EQ(frame[1], 0xC3);
  EXPECT_EQ(frame[5] & (kBusy | kReached), 0);
}

TEST(SynthCommands, MalformedPacketsAreCountedAndIgnored) {
  Rig rig;
  EXPECT_EQ(rig.Write(rig.synth, {0x04, 0x20, 0x00, 0x04}), 4);  // count says 4 follow
  EXPECT_EQ(rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x05}), 4);  // no trailing 04
  EXPECT_EQ(rig.Write(rig.synth, {0x01, 0x04}), 2);              // too short
  SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.MalformedPackets, 3);
  EXPECT_EQ(state.QueuedReplies, 0u);

  EXPECT_EQ(rig.Write(rig.synth, {0x03, 0x55, 0x00, 0x04}), 4);  // unknown command
  EXPECT_EQ(rig.Write(rig.synth, {0x03, 0x20, 0x01, 0x04}), 4);  // unknown argument
  rig.Level(0x80, 0x1000, 0x1000);                               // mode without a meaning
  state = rig.sim.Synth();
  EXPECT_EQ(state.IgnoredPackets, 3);
  EXPECT_EQ(state.Mode, LoopMode::kOff);
  EXPECT_EQ(rig.sim.SynthPackets().size(), 6u);
  EXPECT_EQ(rig.sim.SynthPackets()[0], (Bytes{0x04, 0x20, 0x00, 0x04}));
}

TEST(Eut, FailsAtOrAboveTheThresholdOfItsBand) {
  Rig rig;
  rig.Select(2);
  rig.Tune(155.0);
  rig.CloseLoop(rig.SetPointFor(155.0, 3.0));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.Status() & kEut, kEut);
  rig.CloseLoop(rig.SetPointFor(155.0, 2.0));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.Status() & kEut, 0);

  rig.Tune(435.0);
  rig.CloseLoop(rig.SetPointFor(435.0, 9.0));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.Status() & kEut, kEut);
  rig.Tune(445.0);
  rig.CloseLoop(rig.SetPointFor(445.0, 9.0));
  rig.loop.RunFor(2000);
  EXPECT_EQ(rig.Status() & kEut, 0);

  rig.sim.SetEutProfile({{440.0, 450.0, 9.5}});
  EXPECT_EQ(rig.Status() & kEut, 0);
  rig.sim.SetEutProfile({{440.0, 450.0, 8.5}});
  EXPECT_EQ(rig.Status() & kEut, kEut);
}

TEST(Outputs, AmLineAndOutputImageAreVisible) {
  Rig rig;
  rig.Lines(kRange1 | (1U << 11));
  SynthState state = rig.sim.Synth();
  EXPECT_TRUE(state.AmOn);
  EXPECT_EQ(state.OutputImage, kRange1 | (1U << 11));
  ASSERT_TRUE(rig.sim.WriteIoPorts(rig.synth, 0, 1U << 11));
  state = rig.sim.Synth();
  EXPECT_FALSE(state.AmOn);
  EXPECT_EQ(state.OutputImage, kRange1);
}

TEST(Noise, SameSeedSameReadingsAndSmall) {
  auto readings = [](uint64_t seed) {
    Rig rig("fennix-salvo", seed);
    rig.Select(2);
    rig.Tune(600.0);
    rig.CloseLoop(rig.SetPointFor(600.0, 7.0));
    rig.loop.RunFor(2000);
    std::vector<uint16_t> probes;
    const double clean = rig.sim.Synth().Probe;
    for (int i = 0; i < 20; ++i) {
      probes.push_back(rig.Measure().Probe);
      EXPECT_NEAR(probes.back(), clean, clean * 0.001 + 1.0);
    }
    return probes;
  };
  const auto first = readings(7);
  EXPECT_EQ(first, readings(7));
  EXPECT_NE(first, readings(8));
}

}  // namespace
}  // namespace tarvos::sim::testing
