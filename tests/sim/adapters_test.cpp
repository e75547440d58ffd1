#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "sim_rig.h"

namespace tarvos::sim::testing {
namespace {

TEST(Adapters, HandlesArePositivePerInstanceAndNegativeForNothing) {
  Rig rig;
  EXPECT_EQ(rig.synth, 1000);
  EXPECT_EQ(rig.salvo, 1001);
  EXPECT_LT(rig.sim.OpenDeviceInstance("UsbI2cIo", 2), 0);
  EXPECT_LT(rig.sim.OpenDeviceInstance("UsbI2cIo", 255), 0);
  EXPECT_LT(rig.sim.OpenDeviceInstance("usbi2cio", 0), 0);
  EXPECT_LT(rig.sim.OpenDeviceInstance("", 0), 0);
  EXPECT_TRUE(rig.sim.IsOpen(0));

  uint32_t value = 0;
  EXPECT_FALSE(rig.sim.ReadIoPorts(0, value));
  EXPECT_FALSE(rig.sim.ReadIoPorts(-1, value));
  EXPECT_FALSE(rig.sim.ReadIoPorts(1002, value));
  EXPECT_EQ(rig.sim.CloseDeviceInstance(1002), 0);

  EXPECT_EQ(rig.sim.CloseDeviceInstance(rig.synth), 1);
  EXPECT_FALSE(rig.sim.IsOpen(0));
  EXPECT_FALSE(rig.sim.ReadIoPorts(rig.synth, value));
  EXPECT_EQ(rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04}), 0);
  EXPECT_EQ(rig.sim.CloseDeviceInstance(rig.synth), 0);
  EXPECT_EQ(rig.sim.OpenDeviceInstance("UsbI2cIo", 0), 1000);
  EXPECT_TRUE(rig.sim.ReadIoPorts(rig.synth, value));
}

TEST(Adapters, PortsRecordConfigAndMaskTheOutputImage) {
  Bench bench;
  bench.Adapters = {{4, 0x107, "X", UnitKind::kSynthesiser}};
  Rig rig(bench);
  EXPECT_FALSE(rig.sim.IoConfig(4).has_value());
  ASSERT_TRUE(rig.sim.ConfigIoPorts(rig.synth, 0x000F00FC));
  EXPECT_EQ(rig.sim.IoConfig(4), 0x000F00FCu);
  uint32_t value = 0;
  ASSERT_TRUE(rig.sim.ReadIoPorts(rig.synth, value));
  EXPECT_EQ(value, 0x107u);

  ASSERT_TRUE(rig.sim.WriteIoPorts(rig.synth, 0xFFFF, 0xFFFFFFFF));
  ASSERT_TRUE(rig.sim.WriteIoPorts(rig.synth, 0x0000, 0x0F00));
  ASSERT_TRUE(rig.sim.WriteIoPorts(rig.synth, 0x10001, 0x10000));
  EXPECT_EQ(rig.sim.OutputImage(4), 0x1F0FFu);
}

TEST(Adapters, SerialNumbersUpToTheWholeBuffer) {
  auto serial_of = [](std::string serial) {
    Bench bench;
    bench.Adapters = {{0, 0x04, std::move(serial), UnitKind::kSynthesiser}};
    Rig rig(bench);
    platform::SerialBuffer buffer;
    buffer.fill('#');
    EXPECT_TRUE(rig.sim.GetSerialId(rig.synth, buffer));
    return buffer;
  };
  const auto fennix = serial_of("FX-104417");
  EXPECT_EQ(std::string(fennix.data()), "FX-104417");
  EXPECT_EQ(fennix[128], '\0');

  const auto fits = serial_of(std::string(128, 'a'));
  EXPECT_EQ(fits[127], 'a');
  EXPECT_EQ(fits[128], '\0');

  for (std::size_t length : {129u, 200u}) {
    const auto full = serial_of(std::string(length, 'b'));
    EXPECT_EQ(std::string(full.begin(), full.end()), std::string(129, 'b'));
  }
}

TEST(Adapters, TransfersNeedTheUnitAddressAndAFittingCount) {
  Rig rig;
  EXPECT_EQ(rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04}, 0x9B), 0);
  platform::I2cTransfer transfer{};
  transfer.SlaveAddress = 0x9A;
  transfer.Count = 66;
  EXPECT_EQ(rig.sim.WriteI2c(rig.synth, transfer), 0);
  transfer.Count = 0;
  EXPECT_EQ(rig.sim.WriteI2c(rig.synth, transfer), 0);
  transfer.Count = 16;
  transfer.SlaveAddress = 0x00;
  EXPECT_EQ(rig.sim.ReadI2c(rig.synth, transfer), 0);
  EXPECT_TRUE(rig.sim.SynthPackets().empty());

  // The longest packet the program may send.
  Bytes longest(65, 0x11);
  longest.front() = 64;
  longest.back() = 0x04;
  EXPECT_EQ(rig.Write(rig.synth, longest), 65);
  EXPECT_EQ(rig.sim.Synth().IgnoredPackets, 1);
}

TEST(Adapters, PacketsAreKeptPerAdapterInOrder) {
  Rig rig("unknown-adapter");
  const int32_t other = rig.sim.OpenDeviceInstance("UsbI2cIo", 2);
  ASSERT_EQ(other, 1002);
  rig.Write(rig.synth, {0x03, 0x31, 0x00, 0x04});
  rig.Write(rig.salvo, {0x03, 0x30, 0x00, 0x04});
  rig.Write(rig.synth, {0x03, 0x20, 0x00, 0x04});
  EXPECT_EQ(rig.Write(other, {0x01, 0x02}), 2);
  EXPECT_EQ(rig.sim.SynthPackets(),
            (std::vector<Packet>{{0x03, 0x31, 0x00, 0x04}, {0x03, 0x20, 0x00, 0x04}}));
  EXPECT_EQ(rig.sim.SalvoPackets(), (std::vector<Packet>{{0x03, 0x30, 0x00, 0x04}}));
  EXPECT_EQ(rig.sim.Packets(2), (std::vector<Packet>{{0x01, 0x02}}));
  EXPECT_EQ(rig.Read(other), Bytes(16, 0));
  rig.sim.ClearPackets();
  EXPECT_TRUE(rig.sim.SynthPackets().empty());
}

TEST(Adapters, BadBenchesAndMissingUnitsAreRefusedClearly) {
  platform::VirtualEventLoop loop;
  auto clock = [&] { return loop.ClockMs(); };
  Bench twice;
  twice.Adapters = {{1, 0x04, "A", UnitKind::kSynthesiser}, {1, 0x08, "B", UnitKind::kSalvo}};
  EXPECT_THROW(SimulatedTestSet(twice, 1, clock), std::invalid_argument);
  EXPECT_THROW(SimulatedTestSet(Bench{}, 1, nullptr), std::invalid_argument);

  SimulatedTestSet none(BenchNamed("none"), 1, clock);
  EXPECT_LT(none.OpenDeviceInstance("UsbI2cIo", 0), 0);
  EXPECT_THROW(none.Synth(), std::out_of_range);
  EXPECT_THROW(none.Salvo(), std::out_of_range);
  EXPECT_THROW(none.Packets(0), std::out_of_range);
}

TEST(Benches, NamedBenchesHoldTheirHardware) {
  const auto names = BenchNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "fennix-salvo");
  for (const char* name : {"fennix-salvo", "corvid", "fennix", "none", "salvo-only", "two-synths",
                           "old-firmware", "unknown-adapter"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_TRUE(MakeBench(name).has_value()) << name;
  }
  EXPECT_FALSE(MakeBench("no-such-bench").has_value());

  auto ids = [](std::string_view name) {
    std::vector<std::pair<int, uint32_t>> found;
    for (const BenchAdapter& a : BenchNamed(name).Adapters) {
      found.emplace_back(a.Instance, a.InputValue & 0xFC);
    }
    return found;
  };
  using Ids = std::vector<std::pair<int, uint32_t>>;
  EXPECT_EQ(ids("fennix-salvo"), (Ids{{0, 0x04}, {1, 0x08}}));
  EXPECT_EQ(ids("corvid"), (Ids{{0, 0x00}}));
  EXPECT_EQ(ids("fennix"), (Ids{{0, 0x04}}));
  EXPECT_EQ(ids("none"), Ids{});
  EXPECT_EQ(ids("salvo-only"), (Ids{{1, 0x08}}));
  EXPECT_EQ(ids("two-synths"), (Ids{{0, 0x00}, {3, 0x04}}));
  EXPECT_EQ(ids("old-firmware"), (Ids{{0, 0x04}, {1, 0x08}}));
  EXPECT_EQ(ids("unknown-adapter"), (Ids{{0, 0x04}, {1, 0x08}, {2, 0x10}}));
  EXPECT_EQ(BenchNamed("corvid").HandAmplifier, Amplifier::kAmplifier1);
  EXPECT_EQ(BenchNamed("old-firmware").SynthVersion.Minor, 2);
}

TEST(Benches, TwoSynthesisersAreIndependent) {
  Rig rig("two-synths");
  EXPECT_EQ(rig.synth, 1003);  // the higher instance, as the program picks
  const int32_t corvid = rig.sim.OpenDeviceInstance("UsbI2cIo", 0);
  rig.Write(corvid, {0x03, 0x31, 0x00, 0x04});
  EXPECT_EQ(rig.sim.SynthAt(0).Resets, 1);
  EXPECT_EQ(rig.sim.Synth().Resets, 0);
  EXPECT_THROW(rig.sim.SynthAt(2), std::out_of_range);
}

}  // namespace
}  // namespace tarvos::sim::testing
