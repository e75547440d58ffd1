#include <gtest/gtest.h>

#include <cstdint>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

Bytes StateReply(Rig& rig) {
  rig.Write(rig.salvo, {0x03, 0x21, 0x00, 0x04});
  const Bytes frame = rig.Read(rig.salvo);
  return Bytes(frame.begin(), frame.begin() + 6);
}

TEST(Salvo, AutoModeSwitchesTheAmplifierTheSynthesiserDrives) {
  Rig rig;
  EXPECT_EQ(StateReply(rig), (Bytes{0x05, 0xC1, 0x01, 0x00, 0x01, 0x01}));
  EXPECT_EQ(rig.sim.ConnectedAmplifier(), Amplifier::kNone);
  rig.Select(2);
  EXPECT_EQ(StateReply(rig), (Bytes{0x05, 0xC1, 0x01, 0x00, 0x01, 0x02}));
  EXPECT_EQ(rig.sim.Synth().Connected, Amplifier::kAmplifier1);
  rig.Select(3);
  EXPECT_EQ(rig.sim.Salvo().Selection, 3);
  EXPECT_EQ(rig.sim.Synth().Connected, Amplifier::kAmplifier2);
  rig.Select(1);
  EXPECT_EQ(rig.sim.ConnectedAmplifier(), Amplifier::kNone);

  rig.Write(rig.salvo, {0x03, 0x40, 0x04, 0x04});  // no such selection
  rig.Write(rig.salvo, {0x03, 0x30, 0x00, 0x04});
  const SalvoState state = rig.sim.Salvo();
  EXPECT_EQ(state.Selection, 1);
  EXPECT_EQ(state.IgnoredPackets, 1);
  EXPECT_TRUE(state.StartUpSeen);
  EXPECT_EQ(rig.sim.SalvoPackets().back(), (Bytes{0x03, 0x30, 0x00, 0x04}));
}

TEST(Salvo, ManualModeIgnoresSelectionsAndSaysSo) {
  Rig rig;
  rig.Select(2);
  rig.sim.Faults().Salvo.ManualMode = true;
  rig.Select(3);
  EXPECT_EQ(StateReply(rig), (Bytes{0x05, 0xC1, 0x01, 0x00, 0x00, 0x02}));
  EXPECT_FALSE(rig.sim.Salvo().Auto);

  Bench bench = BenchNamed("fennix-salvo");
  bench.SalvoStartsAuto = false;
  Rig manual(bench);
  manual.Select(2);
  EXPECT_EQ(StateReply(manual), (Bytes{0x05, 0xC1, 0x01, 0x00, 0x00, 0x01}));
}

TEST(Salvo, WrongAmplifierUsesAndReportsAnotherSelection) {
  Rig rig;
  rig.sim.Faults().Salvo.WrongAmplifier = true;
  rig.Select(2);
  EXPECT_EQ(StateReply(rig)[5], 3);
  EXPECT_EQ(rig.sim.ConnectedAmplifier(), Amplifier::kAmplifier2);
  rig.Select(3);
  EXPECT_EQ(StateReply(rig)[5], 2);
  rig.Select(1);
  EXPECT_NE(StateReply(rig)[5], 1);
}

TEST(HandAmplifier, UsedOnlyWithoutASalvo) {
  Rig corvid("corvid");
  EXPECT_EQ(corvid.sim.ConnectedAmplifier(), Amplifier::kAmplifier1);
  corvid.sim.ConnectAmplifierByHand(Amplifier::kAmplifier2);
  EXPECT_EQ(corvid.sim.Synth().Connected, Amplifier::kAmplifier2);

  Rig with_salvo;
  with_salvo.sim.ConnectAmplifierByHand(Amplifier::kAmplifier2);
  EXPECT_EQ(with_salvo.sim.ConnectedAmplifier(), Amplifier::kNone);
}

}  // namespace
}  // namespace tarvos::sim::testing
