// The search for adapters and the units' initial commands, on the simulated test set.

#include "link/start_up.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "link/tick_timer.h"
#include "platform/forwarding_adapters.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "screen/screen.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"

namespace tarvos::link {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t kBase = sim::SimulatedTestSet::kHandleBase;

sim::Packet Bytes(std::vector<int> values) { return sim::Packet(values.begin(), values.end()); }

const sim::Packet kLevelOff =
    Bytes({0x0B, 0x41, 0x82, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04});
const sim::Packet kSynthReset = Bytes({0x03, 0x31, 0x00, 0x04});
const sim::Packet kVersionRequest = Bytes({0x03, 0x20, 0x00, 0x04});
const sim::Packet kSynthStartUp = Bytes({0x03, 0x3E, 0xA5, 0x04});
const sim::Packet kSalvoStartUp = Bytes({0x03, 0x30, 0x00, 0x04});
const sim::Packet kSalvoNone = Bytes({0x03, 0x40, 0x01, 0x04});
const sim::Packet kSalvoState = Bytes({0x03, 0x21, 0x00, 0x04});

// The simulator seen through the calls the search makes; an instance can be made to
// fail its port read or to answer with a handle of 0.
class WatchedAdapters final : public platform::ForwardingAdapters {
 public:
  using ForwardingAdapters::ForwardingAdapters;

  int32_t OpenDeviceInstance(std::string_view name, uint8_t instance) override {
    Calls.push_back("open " + std::to_string(instance));
    if (ZeroHandleAt == instance) return 0;
    return next_.OpenDeviceInstance(name, instance);
  }
  bool GetSerialId(int32_t handle, platform::SerialBuffer& buffer) override {
    Calls.push_back("serial " + std::to_string(handle));
    return next_.GetSerialId(handle, buffer);
  }
  bool ConfigIoPorts(int32_t handle, uint32_t config) override {
    Calls.push_back("config " + std::to_string(handle));
    return next_.ConfigIoPorts(handle, config);
  }
  bool ReadIoPorts(int32_t handle, uint32_t& value) override {
    Calls.push_back("read ports " + std::to_string(handle));
    if (handle == FailPortReadOf) return false;
    return next_.ReadIoPorts(handle, value);
  }

  std::vector<std::string> Calls;  // the identification calls, in order
  int32_t FailPortReadOf = -1;
  int ZeroHandleAt = -1;
};

struct StartUpRig {
  explicit StartUpRig(sim::Bench bench)
      : sim(std::move(bench), 1, [this] { return loop.ClockMs(); }) {
    hooks.LoadSalvoSettings = [this] {
      // The Salvo is known by then, but nothing has been sent to it yet.
      EXPECT_TRUE(link.SalvoPresent);
      EXPECT_NE(link.SalvoHandle, 0);
      log.push_back("salvo settings");
    };
    hooks.UpdateLamps = [this] {
      EXPECT_TRUE(link.SynthPresent);
      log.push_back("lamps after " + std::to_string(sim.SynthPackets().size()) + " packets");
    };
  }
  explicit StartUpRig(std::string_view name = "fennix-salvo") : StartUpRig(*sim::MakeBench(name)) {}

  void Identify() { IdentifyAdapters(access, commands, hooks); }
  const std::string& Cell(std::size_t row, std::size_t column) const {
    return screen.devices.Get(row, column);
  }
  std::vector<std::string> Row(std::size_t row) const {
    const auto& cells = screen.devices.Rows().at(row);
    return {cells.begin(), cells.end()};
  }

  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  AdapterLink link;
  NoLinkEvents events;
  sim::SimulatedTestSet sim;
  WatchedAdapters adapters{sim};
  AdapterAccess access{link, adapters, loop, op, screen, events};
  CommandSet commands{access};
  IdentifyHooks hooks;
  std::vector<std::string> log;
};

sim::Bench HandMadeBench(std::vector<sim::BenchAdapter> adapters) {
  sim::Bench bench;
  bench.Name = "hand-made";
  bench.Adapters = std::move(adapters);
  bench.HandAmplifier = sim::Amplifier::kAmplifier1;
  return bench;
}

TEST(IdentifyAdaptersTest, SynthesiserAndSalvoGetTheirInitialCommandsInOrder) {
  StartUpRig rig;
  rig.Identify();

  EXPECT_THAT(rig.sim.SalvoPackets(),
              ElementsAre(kSalvoStartUp, kVersionRequest, kSalvoNone, kSalvoState, kSalvoState));
  // The amplifier selection's drive-off reaches the synthesiser before its reset.
  EXPECT_THAT(rig.sim.SynthPackets(),
              ElementsAre(kLevelOff, kSynthReset, kVersionRequest, kSynthStartUp));
  EXPECT_THAT(rig.log, ElementsAre("salvo settings", "lamps after 4 packets"));

  EXPECT_TRUE(rig.link.SynthPresent);
  EXPECT_TRUE(rig.link.SalvoPresent);
  EXPECT_EQ(rig.link.SynthHandle, kBase + 0);
  EXPECT_EQ(rig.link.SalvoHandle, kBase + 1);
  EXPECT_EQ(rig.link.SynthInstance, 0);
  EXPECT_EQ(rig.link.SalvoInstance, 1);
  EXPECT_EQ(rig.link.LastAmplifierSelection, kNoAmplifier);
  EXPECT_EQ(rig.link.ModelName, "Fennix");
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - Fennix");
  EXPECT_FALSE(rig.link.FaultLatched);
  EXPECT_THAT(rig.op.History(), IsEmpty());
  EXPECT_TRUE(rig.sim.Salvo().StartUpSeen);
  EXPECT_EQ(rig.sim.Salvo().Selection, sim::kSelectNone);
}

TEST(IdentifyAdaptersTest, EachAdapterIsConfiguredReadAndAskedItsSerial) {
  StartUpRig rig;
  rig.Identify();
  const std::vector<std::string> expected_start = {
      "open 0",      "config 1000",     "read ports 1000", "serial 1000", "open 1",
      "config 1001", "read ports 1001", "serial 1001",     "open 2"};
  ASSERT_EQ(rig.adapters.Calls.size(), 8u + 19u);
  EXPECT_EQ(std::vector<std::string>(rig.adapters.Calls.begin(), rig.adapters.Calls.begin() + 9),
            expected_start);
  EXPECT_EQ(rig.adapters.Calls.back(), "open 20");
  EXPECT_EQ(rig.sim.IoConfig(0), 0x000F00FCu);
  EXPECT_EQ(rig.sim.IoConfig(1), 0x000F00FCu);
  EXPECT_EQ(rig.link.OutputImage, 0u);
}

TEST(IdentifyAdaptersTest, TheDeviceGridNamesEveryUnitFound) {
  StartUpRig rig;
  rig.Identify();
  EXPECT_THAT(rig.Row(0), ElementsAre("0", "1000", "Fennix", "FX-104417", "3.6"));
  EXPECT_THAT(rig.Row(1), ElementsAre("1", "1001", "Salvo", "SV-200352", "1.4"));
  EXPECT_THAT(rig.Row(2), ElementsAre("", "", "", "", ""));
  EXPECT_EQ(rig.screen.about.hardware_version, "Hardware Version 3.6");
  EXPECT_EQ(rig.screen.about.salvo_hardware_version, "Hardware Version 1.4");
  EXPECT_EQ(rig.link.HardwareVersion, 3.6f);
}

TEST(IdentifyAdaptersTest, ClearsRowsOneToTwentyOfTheFirstFourColumnsOnly) {
  StartUpRig rig("none");
  for (std::size_t row = 0; row <= 21; ++row) {
    for (std::size_t column = 0; column < screen::DeviceGrid::kColumns; ++column) {
      rig.screen.devices.Set(row, column, "old");
    }
  }
  rig.Identify();
  EXPECT_THAT(rig.Row(0), ElementsAre("old", "old", "old", "old", "old"));
  for (std::size_t row = 1; row <= 20; ++row) {
    EXPECT_THAT(rig.Row(row), ElementsAre("", "", "", "", "old")) << "row " << row;
  }
  EXPECT_THAT(rig.Row(21), ElementsAre("old", "old", "old", "old", "old"));
}

TEST(IdentifyAdaptersTest, WithoutAdaptersNothingIsPresentAndNothingIsShown) {
  StartUpRig rig("none");
  rig.link.SynthPresent = true;  // whatever was held before
  rig.link.OutputImage = 0x1200;
  rig.Identify();
  EXPECT_FALSE(rig.link.SynthPresent);
  EXPECT_FALSE(rig.link.SalvoPresent);
  EXPECT_EQ(rig.link.SynthHandle, 0);
  EXPECT_EQ(rig.link.OutputImage, 0u);
  EXPECT_EQ(rig.screen.caption, "");
  EXPECT_THAT(rig.log, IsEmpty());
  EXPECT_THAT(rig.op.History(), IsEmpty());
  EXPECT_EQ(rig.adapters.Calls.size(), 21u);
  // Each instance waits a tick: the window stays live through the search.
  EXPECT_GE(rig.loop.ElapsedMs(), 21u * kTickMs);
}

TEST(IdentifyAdaptersTest, ASynthesiserAloneIsSetUpWithoutAmplifierPrompt) {
  StartUpRig rig("corvid");
  rig.Identify();
  EXPECT_THAT(rig.sim.SynthPackets(), ElementsAre(kSynthReset, kVersionRequest, kSynthStartUp));
  EXPECT_TRUE(rig.link.SynthPresent);
  EXPECT_FALSE(rig.link.SalvoPresent);
  EXPECT_EQ(rig.link.LastAmplifierSelection, kNoSelection);
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - Corvid");
  EXPECT_THAT(rig.Row(0), ElementsAre("0", "1000", "Corvid", "CV-100981", "3.6"));
  EXPECT_THAT(rig.log, ElementsAre("lamps after 3 packets"));
  EXPECT_THAT(rig.op.History(), IsEmpty());
}

TEST(IdentifyAdaptersTest, ASalvoAloneIsStillInitialised) {
  StartUpRig rig("salvo-only");
  rig.Identify();
  EXPECT_THAT(rig.sim.SalvoPackets(),
              ElementsAre(kSalvoStartUp, kVersionRequest, kSalvoNone, kSalvoState, kSalvoState));
  EXPECT_TRUE(rig.link.SalvoPresent);
  EXPECT_FALSE(rig.link.SynthPresent);
  EXPECT_EQ(rig.link.SynthHandle, 0);
  EXPECT_EQ(rig.link.SalvoInstance, 1);
  // No model yet: the caption carries the prefix alone.
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - ");
  EXPECT_THAT(rig.log, ElementsAre("salvo settings"));
  EXPECT_THAT(rig.op.History(), IsEmpty());
  EXPECT_THAT(rig.screen.diagnostics.messages, IsEmpty());
}

TEST(IdentifyAdaptersTest, OfTwoSynthesisersTheHigherInstanceIsUsed) {
  StartUpRig rig("two-synths");
  rig.Identify();
  EXPECT_EQ(rig.link.SynthInstance, 3);
  EXPECT_EQ(rig.link.SynthHandle, kBase + 3);
  EXPECT_EQ(rig.link.ModelName, "Fennix");
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - Fennix");
  EXPECT_THAT(rig.Row(0), ElementsAre("0", "1000", "Corvid", "CV-100981", ""));
  EXPECT_THAT(rig.Row(3), ElementsAre("3", "1003", "Fennix", "FX-104417", "3.6"));
  EXPECT_THAT(rig.sim.Packets(0), IsEmpty());
  EXPECT_THAT(rig.sim.Packets(3), ElementsAre(kSynthReset, kVersionRequest, kSynthStartUp));
  EXPECT_TRUE(rig.sim.IsOpen(0));
}

TEST(IdentifyAdaptersTest, AnUnknownAdapterIsListedLeftOpenAndSentNothing) {
  StartUpRig rig("unknown-adapter");
  rig.Identify();
  EXPECT_THAT(rig.Row(2), ElementsAre("2", "1002", "", "", ""));
  EXPECT_TRUE(rig.sim.IsOpen(2));
  EXPECT_EQ(rig.sim.IoConfig(2), 0x000F00FCu);
  EXPECT_THAT(rig.sim.Packets(2), IsEmpty());
  EXPECT_EQ(rig.link.SynthInstance, 0);
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - Fennix");
  // Its serial number is never asked for.
  EXPECT_THAT(rig.adapters.Calls, ::testing::Not(::testing::Contains("serial 1002")));
}

TEST(IdentifyAdaptersTest, OnlyInputBitsTwoToSevenIdentifyTheUnit) {
  StartUpRig rig(HandMadeBench({{0, 0x03, "CV-1", sim::UnitKind::kSynthesiser},
                                {4, 0x0B, "SV-1", sim::UnitKind::kSalvo},
                                {5, 0x107, "FX-1", sim::UnitKind::kSynthesiser}}));
  rig.Identify();
  EXPECT_EQ(rig.Cell(0, 2), "Corvid");
  EXPECT_EQ(rig.Cell(4, 2), "Salvo");
  EXPECT_EQ(rig.Cell(5, 2), "Fennix");
  EXPECT_EQ(rig.link.SynthInstance, 5);
  EXPECT_EQ(rig.link.SalvoInstance, 4);
  EXPECT_EQ(rig.screen.caption, "Brevant Instruments Ltd - Fennix");
}

TEST(IdentifyAdaptersTest, AdaptersThatCannotBeConfiguredOrReadAreSkipped) {
  StartUpRig rig("fennix-salvo");
  rig.sim.Faults().Salvo.ConfigFails = true;
  rig.adapters.FailPortReadOf = kBase + 0;
  rig.Identify();
  // The rows keep instance and handle; nothing else is known of them.
  EXPECT_THAT(rig.Row(0), ElementsAre("0", "1000", "", "", ""));
  EXPECT_THAT(rig.Row(1), ElementsAre("1", "1001", "", "", ""));
  EXPECT_FALSE(rig.link.SynthPresent);
  EXPECT_FALSE(rig.link.SalvoPresent);
  EXPECT_EQ(rig.screen.caption, "");
  EXPECT_THAT(rig.sim.SynthPackets(), IsEmpty());
  EXPECT_THAT(rig.sim.SalvoPackets(), IsEmpty());
  EXPECT_THAT(rig.op.History(), IsEmpty());
}

TEST(IdentifyAdaptersTest, AnUnpluggedOrZeroHandleAdapterIsPassedBy) {
  StartUpRig rig("fennix-salvo");
  rig.sim.Faults().Salvo.Unplugged = true;
  rig.adapters.ZeroHandleAt = 0;
  rig.Identify();
  EXPECT_THAT(rig.Row(0), ElementsAre("", "", "", "", ""));
  EXPECT_THAT(rig.Row(1), ElementsAre("", "", "", "", ""));
  EXPECT_FALSE(rig.link.SynthPresent);
  EXPECT_FALSE(rig.link.SalvoPresent);
  EXPECT_THAT(rig.adapters.Calls, ::testing::Not(::testing::Contains("config 0")));
}

TEST(IdentifyAdaptersTest, AMissingSynthesiserSerialIsAFaultAndTheSearchGoesOn) {
  StartUpRig rig("fennix");
  rig.sim.Faults().Synth.SerialFails = true;
  rig.Identify();
  EXPECT_THAT(rig.op.TextsOf(MessageKind::Warning),
              ElementsAre("Tarvos Fault : Serial Number Not Found. #1"));
  EXPECT_THAT(rig.Row(0), ElementsAre("0", "1000", "Fennix", "", "3.6"));
  EXPECT_TRUE(rig.link.SynthPresent);
  EXPECT_TRUE(rig.link.FaultLatched);
  EXPECT_EQ(rig.link.FaultCount, 2);
  EXPECT_EQ(rig.screen.lamps.hardware, screen::LampColour::Red);
  EXPECT_THAT(rig.sim.SynthPackets(), ElementsAre(kSynthReset, kVersionRequest, kSynthStartUp));
}

TEST(IdentifyAdaptersTest, AMissingSalvoSerialIsASalvoFault) {
  StartUpRig rig("fennix-salvo");
  rig.sim.Faults().Salvo.SerialFails = true;
  rig.Identify();
  EXPECT_THAT(rig.op.TextsOf(MessageKind::Warning),
              ElementsAre("Salvo Fault : Serial Number Not Found."));
  EXPECT_THAT(rig.Row(1), ElementsAre("1", "1001", "Salvo", "", "1.4"));
  EXPECT_EQ(rig.screen.lamps.hardware, screen::LampColour::Off);
  EXPECT_EQ(rig.link.FaultCount, 1);
  EXPECT_THAT(rig.sim.SalvoPackets(),
              ElementsAre(kSalvoStartUp, kVersionRequest, kSalvoNone, kSalvoState, kSalvoState));
}

TEST(IdentifyAdaptersTest, ASerialFillingTheBufferIsCutAtTwentyOneCharacters) {
  StartUpRig rig(HandMadeBench({{0, 0x04, std::string(129, 'S'), sim::UnitKind::kSynthesiser}}));
  rig.Identify();
  EXPECT_EQ(rig.Cell(0, 3), std::string(21, 'S'));
}

}  // namespace
}  // namespace tarvos::link
