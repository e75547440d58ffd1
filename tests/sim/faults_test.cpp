#include <gtest/gtest.h>

#include <cstdint>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

const Bytes kVersion = {0x03, 0x20, 0x00, 0x04};

TEST(Faults, ShortWritesDeliverOneByteFewerForTheNextN) {
  Rig rig;
  rig.sim.Faults().Synth.ShortWrites = 2;
  EXPECT_EQ(rig.Write(rig.synth, kVersion), 3);
  EXPECT_EQ(rig.Write(rig.synth, kVersion), 3);
  EXPECT_EQ(rig.Write(rig.synth, kVersion), 4);
  const SynthState state = rig.sim.Synth();
  EXPECT_EQ(state.MalformedPackets, 2);  // a cut packet has lost its 04
  EXPECT_EQ(state.QueuedReplies, 1u);
  EXPECT_EQ(rig.sim.SynthPackets()[0], (Bytes{0x03, 0x20, 0x00}));
  EXPECT_EQ(rig.Write(rig.salvo, kVersion), 4);  // the Salvo is not affected

  rig.sim.Faults().Salvo.ShortWrites = -1;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(rig.Write(rig.salvo, kVersion), 3);
}

TEST(Faults, ShortReadsReturnFifteenBytesAndLoseTheFrame) {
  Rig rig;
  rig.Write(rig.synth, kVersion);
  rig.sim.Faults().Synth.ShortReads = 1;
  int32_t returned = 0;
  rig.Read(rig.synth, 16, &returned);
  EXPECT_EQ(returned, 15);
  const Bytes frame = rig.Read(rig.synth, 16, &returned);
  EXPECT_EQ(returned, 16);
  EXPECT_EQ(frame[1], 0xC3);
}

TEST(Faults, FailingPortWritesLeaveTheLinesAlone) {
  Rig rig;
  rig.sim.Faults().Synth.FailingPortWrites = 1;
  EXPECT_FALSE(rig.sim.WriteIoPorts(rig.synth, kRange1, 0xFFFFFFFF));
  EXPECT_EQ(rig.sim.OutputImage(0), 0u);
  EXPECT_TRUE(rig.sim.WriteIoPorts(rig.synth, kRange1, 0xFFFFFFFF));
  EXPECT_EQ(rig.sim.OutputImage(0), kRange1);
}

TEST(Faults, UnpluggedAdapterFailsEveryCallUntilPluggedBackIn) {
  Rig rig;
  rig.Write(rig.synth, kVersion);
  rig.sim.Faults().Synth.Unplugged = true;
  uint32_t value = 0;
  platform::SerialBuffer serial{};
  EXPECT_EQ(rig.Write(rig.synth, kVersion), 0);
  int32_t returned = -1;
  rig.Read(rig.synth, 16, &returned);
  EXPECT_EQ(returned, 0);
  EXPECT_FALSE(rig.sim.ReadIoPorts(rig.synth, value));
  EXPECT_FALSE(rig.sim.WriteIoPorts(rig.synth, 1, 1));
  EXPECT_FALSE(rig.sim.ConfigIoPorts(rig.synth, 0x000F00FC));
  EXPECT_FALSE(rig.sim.GetSerialId(rig.synth, serial));
  EXPECT_LT(rig.sim.OpenDeviceInstance("UsbI2cIo", 0), 0);
  EXPECT_EQ(rig.Write(rig.salvo, kVersion), 4);

  rig.sim.Faults().Synth.Unplugged = false;
  EXPECT_EQ(rig.Read(rig.synth)[1], 0xC0);  // the reply queued before is still there
}

TEST(Faults, SerialAndConfigFailures) {
  Rig rig;
  platform::SerialBuffer serial{};
  rig.sim.Faults().Salvo.SerialFails = true;
  rig.sim.Faults().Salvo.ConfigFails = true;
  EXPECT_FALSE(rig.sim.GetSerialId(rig.salvo, serial));
  EXPECT_FALSE(rig.sim.ConfigIoPorts(rig.salvo, 0x000F00FC));
  EXPECT_FALSE(rig.sim.IoConfig(1).has_value());
  EXPECT_TRUE(rig.sim.GetSerialId(rig.synth, serial));
  EXPECT_TRUE(rig.sim.ConfigIoPorts(rig.synth, 0x000F00FC));
}

TEST(Faults, AmplifierFaultShowsInStatusAndInputBit17) {
  Rig rig;
  rig.sim.Faults().Synth.AmplifierFault = true;
  EXPECT_EQ(rig.Status() & kAmpFault, kAmpFault);
  uint32_t value = 0;
  ASSERT_TRUE(rig.sim.ReadIoPorts(rig.synth, value));
  EXPECT_EQ(value, 0x04u | (1U << 17));
  ASSERT_TRUE(rig.sim.ReadIoPorts(rig.salvo, value));
  EXPECT_EQ(value, 0x08u);
  rig.sim.Faults().Synth.AmplifierFault = false;
  EXPECT_EQ(rig.Status() & kAmpFault, 0);
}

TEST(Faults, RangeMismatchReportsTheOtherRange) {
  Rig rig;
  rig.Tune(300.0);
  rig.sim.Faults().Synth.RangeMismatch = true;
  EXPECT_EQ(rig.Status() & (kHigh | kLow), kLow);
  EXPECT_TRUE(rig.sim.Synth().RangeHigh);
  rig.Tune(100.0);
  EXPECT_EQ(rig.Status() & (kHigh | kLow), kHigh);
}

TEST(Faults, UnreachableSetByTheTestInTheMiddleOfAHold) {
  Rig rig;
  rig.Select(2);
  rig.Tune(300.0);
  rig.CloseLoop(rig.SetPointFor(300.0, 5.0));
  rig.loop.RunFor(2000);
  ASSERT_EQ(rig.Status() & kReached, kReached);
  rig.sim.Faults().Synth.UnreachableSetPoint = true;
  EXPECT_EQ(rig.Status() & (kBusy | kReached), kBusy);
  rig.loop.RunFor(3000);
  const SynthState state = rig.sim.Synth();
  EXPECT_TRUE(state.CannotReach);
  EXPECT_EQ(state.CannotReachMessages, 1);
}

}  // namespace
}  // namespace tarvos::sim::testing
