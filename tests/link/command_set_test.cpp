#include "link/command_set.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "link/fake_adapters.h"

namespace tarvos::link {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::kSalvoHandle;
using testing::kSynthHandle;
using testing::LinkBench;

class CommandSetTest : public ::testing::Test {
 protected:
  // Amplifier 1 already chosen: frequencies below the switch frequency do not prompt.
  void SkipAmplifierPrompts() { bench.link.LastAmplifierSelection = kAmplifier1; }
  void SynthFrame(std::vector<uint8_t> bytes) {
    bench.adapters.QueueFrame(kSynthHandle, std::move(bytes));
    bench.access.ReadSynthReplies();
  }
  void SalvoFrame(std::vector<uint8_t> bytes) {
    bench.adapters.QueueFrame(kSalvoHandle, std::move(bytes));
    bench.access.ReadSalvoReplies();
  }

  LinkBench bench;
};

TEST_F(CommandSetTest, FrequencyCommandCarriesCounterAndRangeByte) {
  bench.commands.SetFrequency(900e6f);
  EXPECT_THAT(bench.SynthTexts(), ElementsAre("07,40,21,92,FF,00,00,04"));
  EXPECT_EQ(bench.link.PllN, 8594u);
  EXPECT_TRUE(bench.link.RangeHigh);
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning), ElementsAre("Connect Power Amplifier 1"));

  bench.commands.SetFrequency(30e6f);
  EXPECT_EQ(bench.link.PllN, 5195u);
  EXPECT_EQ(bench.SynthTexts().back(), "07,40,14,4B,00,00,00,04");

  bench.link.AmplifierSwitchFrequency = 800.0f;
  bench.commands.SetFrequency(800e6f);
  EXPECT_EQ(bench.op.Texts().back(), "Connect Power Amplifier 2");
}

TEST_F(CommandSetTest, FrequenciesOutOfRangeSendNothing) {
  bench.commands.SetFrequency(29.9e6f);
  bench.commands.SetFrequency(std::numeric_limits<float>::quiet_NaN());
  bench.commands.SetFrequency(1000.002e6f);
  EXPECT_THAT(bench.op.Texts(),
              ElementsAre("Frequency too Low", "Frequency too Low", "Frequency too High"));
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Plain), ::testing::SizeIs(3));
  EXPECT_THAT(bench.adapters.Writes, IsEmpty());
  EXPECT_EQ(bench.link.LastAmplifierSelection, kNoSelection);
  // The band lines switch before the range check.
  EXPECT_TRUE(bench.Line(kRange0));
  EXPECT_TRUE(bench.Line(kRange1));
}

TEST_F(CommandSetTest, BandLinesFollowTheBandEdges) {
  SkipAmplifierPrompts();
  bench.link.MaxFrequency = 2500.0f;
  struct Case {
    float Hz;
    bool Range0;
    bool Range1;
    std::string Text;
  };
  const Case cases[] = {
      {1000e6f, false, true, "07,40,23,18,FF,00,00,04"},
      {1000.002e6f, true, true, "07,40,0F,42,FF,00,00,04"},
      {1500e6f, true, true, "07,40,16,E3,FF,00,00,04"},
      {1500.002e6f, true, false, "07,40,16,E3,FF,00,00,04"},
      {2500e6f, true, false, "07,40,26,26,FF,00,00,04"},  // MaxFrequency itself is sent
  };
  for (const auto& c : cases) {
    bench.commands.SetFrequency(c.Hz);
    EXPECT_EQ(bench.Line(kRange0), c.Range0) << c.Hz;
    EXPECT_EQ(bench.Line(kRange1), c.Range1) << c.Hz;
    EXPECT_EQ(bench.link.OutputLineState[kRange1], c.Range1) << c.Hz;
    EXPECT_EQ(bench.SynthTexts().back(), c.Text) << c.Hz;
  }
  EXPECT_EQ(bench.SynthTexts().size(), 5u);
}

TEST_F(CommandSetTest, RangeChangeWaitsNineTicksOnce) {
  SkipAmplifierPrompts();
  const auto timed = [&](float hz) {
    const uint64_t before = bench.loop.ElapsedMs();
    bench.commands.SetFrequency(hz);
    return bench.loop.ElapsedMs() - before;
  };
  EXPECT_EQ(timed(100e6f), 165u);  // low range to begin with: the command's own wait only
  EXPECT_EQ(timed(150e6f), 165u);
  // From the start of a tick, a 9-tick wait ends when the tenth tick begins.
  EXPECT_EQ(timed(300e6f), 165u + 10 * 55);
  EXPECT_EQ(timed(400e6f), 165u);
  EXPECT_EQ(timed(199e6f), 165u + 10 * 55);
  EXPECT_FALSE(bench.link.RangeHigh);
}

TEST_F(CommandSetTest, LevelCommandLayout) {
  bench.commands.SetLevel(kModeLevel, 0, 1000);
  bench.commands.SetLevel(kModeHold, 0x1234, 0xABCD);
  bench.link.FaultLatched = true;
  bench.commands.SetLevel(kModeLevel, 0, 500);
  EXPECT_THAT(bench.SynthTexts(), ElementsAre("0B,41,82,FF,00,00,00,00,00,03,E8,04",
                                              "0B,41,81,FF,00,12,34,00,00,AB,CD,04",
                                              "0B,41,82,FF,00,00,00,00,00,00,00,04"));
}

TEST_F(CommandSetTest, ModulationByteAndAmLine) {
  const char* expected[] = {"81", "41", "21", "11", "81"};
  for (uint8_t type = 0; type <= 4; ++type) {
    EXPECT_EQ(bench.commands.ApplyModulation(type), expected[type]);
    EXPECT_EQ(bench.link.OutputLineState[kModulation1k], type == kModulation1kHzAm) << int{type};
  }
  EXPECT_EQ(bench.commands.ApplyModulation(7), "01");
  EXPECT_FALSE(bench.Line(kModulation1k));
  EXPECT_EQ(bench.adapters.PortWrites[4].Value, 1u << kModulation1k);
}

TEST_F(CommandSetTest, SalvoSwitchSequenceIsSentOnce) {
  bench.AddSalvo();
  std::vector<bool> busy_at_salvo_writes;
  bench.adapters.OnWrite = [&](const auto& write) {
    if (write.Handle == kSalvoHandle) busy_at_salvo_writes.push_back(bench.op.Busy());
  };
  bench.commands.SelectAmplifier(kAmplifier1);
  bench.commands.SelectAmplifier(kAmplifier1);
  EXPECT_THAT(bench.SynthTexts(), ElementsAre("0B,41,82,FF,00,00,00,00,00,00,00,04"));
  EXPECT_THAT(bench.SalvoTexts(), ElementsAre("03,40,02,04", "03,21,00,04"));
  EXPECT_THAT(bench.adapters.Reads, ElementsAre(kSalvoHandle));
  EXPECT_THAT(busy_at_salvo_writes, ElementsAre(true, true));
  EXPECT_FALSE(bench.op.Busy());
  EXPECT_EQ(bench.op.BusyCount(), 1);
  EXPECT_THAT(bench.op.History(), IsEmpty());

  bench.commands.SelectAmplifier(kAmplifier2);
  bench.commands.SelectAmplifier(kNoAmplifier);
  EXPECT_THAT(bench.SalvoTexts(), ElementsAre("03,40,02,04", "03,21,00,04", "03,40,03,04",
                                              "03,21,00,04", "03,40,01,04", "03,21,00,04"));
}

TEST_F(CommandSetTest, NothingRunsWhileTheAmplifiersChangeOver) {
  bench.AddSalvo();
  std::size_t salvo_writes_seen = 0;
  uint64_t ran_at = 0;
  bench.loop.ScheduleAt(500, [&] {
    salvo_writes_seen = bench.SalvoTexts().size();
    ran_at = bench.loop.ClockMs();
  });
  bench.commands.SelectAmplifier(kAmplifier2);
  // Due during the 18-tick wait, it runs only in the pumping wait of the state read.
  EXPECT_EQ(salvo_writes_seen, 2u);
  EXPECT_EQ(ran_at, 165u + 19 * 55);
  EXPECT_EQ(bench.loop.ElapsedMs(), 165u + 19 * 55 + 110);
}

TEST_F(CommandSetTest, SalvoWithoutSynthesiserSwitchesWithoutFault) {
  bench.AddSalvo();
  bench.link.SynthHandle = 0;
  bench.link.SynthPresent = false;
  bench.commands.SelectAmplifier(kNoAmplifier);
  EXPECT_THAT(bench.SalvoTexts(), ElementsAre("03,40,01,04", "03,21,00,04"));
  EXPECT_THAT(bench.SynthTexts(), IsEmpty());
  EXPECT_THAT(bench.op.History(), IsEmpty());
  EXPECT_FALSE(bench.link.FaultLatched);
}

TEST_F(CommandSetTest, WithoutSalvoTheOperatorIsAsked) {
  bench.commands.SelectAmplifier(kNoAmplifier);
  bench.commands.SelectAmplifier(kAmplifier1);
  bench.commands.SelectAmplifier(kAmplifier1);
  bench.commands.SelectAmplifier(kAmplifier2);
  bench.commands.SelectAmplifier(0);
  bench.commands.SelectAmplifier(4);
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning),
              ElementsAre("Disconnect Power Amplifiers", "Connect Power Amplifier 1",
                          "Connect Power Amplifier 2"));
  EXPECT_EQ(bench.op.History().size(), 3u);
  EXPECT_THAT(bench.adapters.Writes, IsEmpty());
  EXPECT_EQ(bench.link.LastAmplifierSelection, kAmplifier2);
}

TEST_F(CommandSetTest, StatusAndVersionRequests) {
  bench.adapters.QueueFrame(kSynthHandle, {0x03, 0xC4, 0x21, 0x04});
  bench.commands.RequestStatus();
  bench.commands.RequestVersion();
  bench.link.SynthPresent = false;
  bench.commands.RequestVersion();
  EXPECT_THAT(bench.SynthTexts(), ElementsAre("03,22,00,04", "03,20,00,04"));
  EXPECT_THAT(bench.adapters.Reads, ElementsAre(kSynthHandle));
  EXPECT_THAT(bench.events.Statuses, ElementsAre(0x21));
}

TEST_F(CommandSetTest, ReadingsThenStatusChangeInOrder) {
  bench.link.SetPointQuestionPending = true;
  SynthFrame({0x0A, 0xC1, 0, 0, 0, 0x01, 0x23, 0, 0, 0x04, 0x56, 0x03, 0xC4, 0x25, 0x04});
  EXPECT_EQ(bench.link.DacValue, 0x0123);
  EXPECT_EQ(bench.link.ProbeValue, 0x0456);
  EXPECT_EQ(bench.screen.diagnostics.dac_value, "291");
  EXPECT_EQ(bench.screen.diagnostics.probe_value, "1110");
  EXPECT_EQ(bench.screen.diagnostics.status, "37");
  EXPECT_FALSE(bench.link.SetPointQuestionPending);
  EXPECT_THAT(bench.events.Statuses, ElementsAre(0x25));
}

TEST_F(CommandSetTest, StatusAndCannotReachMessages) {
  SynthFrame({0x06, 0xC3, 0, 0, 0, 0x31, 0, 0x03, 0xD0, 0x11, 0x04});
  EXPECT_THAT(bench.events.Log, ElementsAre("status 49", "status 17", "cannot reach"));
  EXPECT_EQ(bench.screen.diagnostics.status, "Status");  // only the C4 message shows it
}

TEST_F(CommandSetTest, VersionRepliesFillTheGridAndAbout) {
  bench.AddSalvo();
  bench.link.SynthInstance = 2;
  bench.link.SalvoInstance = 5;
  SynthFrame({0x07, 0xC0, 0, 0, 0, 3, 10, 0x04});
  EXPECT_EQ(bench.link.HardwareVersionText, "3.10");
  EXPECT_FLOAT_EQ(bench.link.HardwareVersion, 3.1f);
  EXPECT_EQ(bench.screen.devices.Get(2, 4), "3.10");
  EXPECT_EQ(bench.screen.about.hardware_version, "Hardware Version 3.10");

  SalvoFrame({0x07, 0xC0, 0, 0, 0, 1, 2, 0x04});
  EXPECT_EQ(bench.screen.devices.Get(5, 4), "1.2");
  EXPECT_EQ(bench.screen.about.salvo_hardware_version, "Hardware Version 1.2");
  EXPECT_EQ(bench.link.HardwareVersionText, "3.10");

  EXPECT_FLOAT_EQ(VersionNumber("3.4"), 3.4f);
  EXPECT_EQ(VersionNumber("3.4x"), 0.0f);
  EXPECT_EQ(VersionNumber("x.y"), 0.0f);
  EXPECT_EQ(VersionNumber(""), 0.0f);
  EXPECT_EQ(VersionNumber("inf"), 0.0f);
}

TEST_F(CommandSetTest, SalvoStateInAutoModeChecksTheSelection) {
  bench.AddSalvo();
  bench.link.LastAmplifierSelection = kAmplifier1;
  SalvoFrame({0x05, 0xC1, 0x01, 0x00, 0x01, 0x02, 0x04});
  EXPECT_THAT(bench.op.History(), IsEmpty());

  SalvoFrame({0x05, 0xC1, 0x01, 0x00, 0x01, 0x03, 0x04});
  EXPECT_THAT(bench.op.TextsOf(MessageKind::Warning),
              ElementsAre("Salvo Fault : Salvo Range Error."));
  EXPECT_EQ(bench.link.LastAmplifierSelection, kNoSelection);
  EXPECT_TRUE(bench.link.FaultLatched);
  EXPECT_EQ(bench.link.FaultCount, 1);
  EXPECT_EQ(bench.screen.lamps.hardware, screen::LampColour::Off);
  EXPECT_EQ(bench.events.ControlsChangedCount, 1);

  // A state message with byte 2 other than 1 says nothing about the amplifiers.
  SalvoFrame({0x05, 0xC1, 0x02, 0x00, 0x01, 0x03, 0x04});
  EXPECT_EQ(bench.op.History().size(), 1u);
}

TEST_F(CommandSetTest, SalvoInManualModeWarnsDuringARun) {
  bench.AddSalvo();
  SalvoFrame({0x05, 0xC1, 0x01, 0x00, 0x00, 0x02, 0x04});
  bench.events.RunActive = true;
  SalvoFrame({0x05, 0xC1, 0x01, 0x00, 0x00, 0x02, 0x04});
  EXPECT_THAT(
      bench.op.TextsOf(MessageKind::Warning),
      ElementsAre("Salvo Fault : Salvo Set to Manual Mode.",
                  "Salvo Fault : Salvo Set to Manual Mode.", "Stop Test and switch Salvo to Auto"));
}

}  // namespace
}  // namespace tarvos::link
