// The engineering test window on the simulated test set: suppressed reads, output lines,
// the PLL counter packet, raw strings and reads, and the engineer's adapter search.

#include "station/test_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/start_up.h"
#include "station/window_rig.h"

namespace tarvos::station {
namespace {

using platform::MessageKind;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

struct OpenForm : WindowRig {
  OpenForm() {
    StartUp();
    St().OpenTestForm();
  }
  screen::TestForm& Form() { return Screen().test_form; }
};

TEST(TestFormCountersTest, CalculateScalesClampsAndRoundsTiesToEven) {
  EXPECT_EQ(TestFormNCounter(0.5), 3U);
  EXPECT_EQ(TestFormNCounter(-10.0), 3U);
  EXPECT_EQ(TestFormNCounter(6000.0), 16384U);
  EXPECT_EQ(TestFormNCounter(900.0), 2812U);   // 2812.5
  EXPECT_EQ(TestFormNCounter(900.32), 2814U);  // 2813.5
  EXPECT_EQ(PllCounterPacket(2812, 5000), "06,30,0A,FC,13,88,04");
  const uint8_t bytes[] = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(HexBytesText(bytes, 3), "00,0A,FF,");
}

TEST(TestFormCountersTest, RecentStringsKeepOneOfEachAndDropTheSecondPastTwenty) {
  std::vector<std::string> recent;
  RememberString(recent, "03,20,00,04");
  RememberString(recent, "03,20,00,04");
  EXPECT_THAT(recent, ElementsAre("03,20,00,04"));
  for (int i = 1; i < 20; ++i) RememberString(recent, "s" + std::to_string(i));
  ASSERT_EQ(recent.size(), 20U);
  RememberString(recent, "s20");
  ASSERT_EQ(recent.size(), 20U);
  EXPECT_EQ(recent[0], "03,20,00,04");
  EXPECT_EQ(recent[1], "s2");
  EXPECT_EQ(recent.back(), "s20");
  EXPECT_THAT(recent, Not(Contains("s1")));
}

TEST(TestFormTest, OpeningSuppressesTheProgramsReadsUntilItCloses) {
  OpenForm rig;
  EXPECT_TRUE(rig.Form().visible);
  EXPECT_EQ(rig.Form().caption, "Test Form");
  EXPECT_EQ(rig.Form().slave_address, "I2C Slave Address = 154");
  EXPECT_EQ(rig.Form().probe_range.text, "26214");  // the defaults of a first start
  EXPECT_EQ(rig.Form().probe_offset.text, "0");
  EXPECT_EQ(rig.Form().device.index, 0);
  EXPECT_EQ(rig.St().TestWindow().TestHandle(), kSynthHandle);
  ASSERT_TRUE(rig.St().Link().ReadsSuppressed);

  // The status poll still asks, but nothing reads the synthesiser's answer.
  const int reads = rig.adapters.reads[kSynthHandle];
  rig.loop.RunFor(kStatusPollMs + 100);
  EXPECT_THAT(rig.SynthPackets(), Contains("03,22,00,04"));
  EXPECT_EQ(rig.adapters.reads[kSynthHandle], reads);

  rig.St().CloseTestForm();
  EXPECT_FALSE(rig.St().Link().ReadsSuppressed);
  EXPECT_FALSE(rig.Form().visible);
  rig.loop.RunFor(kStatusPollMs);
  EXPECT_GT(rig.adapters.reads[kSynthHandle], reads);
}

TEST(TestFormTest, BackStoresTheProbeBoxesAndSavesTheSettings) {
  OpenForm rig;
  rig.Form().probe_range.text = "70000";
  rig.St().TestFormBack();
  EXPECT_TRUE(rig.Form().visible);  // a box out of range: nothing
  EXPECT_EQ(rig.St().Cell().DriveScale, 26214);

  rig.Form().probe_range.text = "1234";
  rig.Form().probe_offset.text = "65535";
  rig.St().TestFormBack();
  EXPECT_FALSE(rig.Form().visible);
  EXPECT_FALSE(rig.St().Link().ReadsSuppressed);
  EXPECT_EQ(rig.St().Cell().DriveScale, 1234);
  EXPECT_EQ(rig.St().Cell().DriveOffset, 65535);
  const auto lines = rig.folder.Lines("Tarvos.INI");
  ASSERT_GE(lines.size(), 22U);
  EXPECT_EQ(lines[20], "1234");
  EXPECT_EQ(lines[21], "65535");
}

TEST(TestFormTest, TheLineButtonsToggleTheirLinesAndLamps) {
  OpenForm rig;
  const auto image = [&rig] { return rig.sim.OutputImage(0); };
  rig.St().TestFormToggleLine(link::kRange0);
  EXPECT_EQ(image() & (1U << 9), 1U << 9);
  EXPECT_EQ(rig.Form().range0, screen::LampColour::Red);
  rig.St().TestFormToggleLine(link::kPllSwitch);
  EXPECT_EQ(image() & 1U, 1U);
  EXPECT_EQ(rig.Form().pll_switch, screen::LampColour::Red);
  rig.St().TestFormToggleLine(link::kRange0);
  EXPECT_EQ(image() & (1U << 9), 0U);
  EXPECT_EQ(rig.Form().range0, screen::LampColour::Off);

  rig.St().TestFormToggleLine(5);  // no button of its own
  EXPECT_EQ(image() & (1U << 5), 0U);

  // A port write that fails is reported and the lamp keeps the line's old state.
  rig.sim.Faults().Synth.FailingPortWrites = 1;
  rig.St().TestFormToggleLine(link::kEutPrompt);
  EXPECT_THAT(rig.op.script.TextsOf(MessageKind::Warning),
              ElementsAre("Tarvos Fault : Write Error. #1"));
  EXPECT_EQ(rig.Form().eut_prompt, screen::LampColour::Off);
  rig.St().TestFormToggleLine(link::kEutPrompt);
  EXPECT_EQ(rig.Form().eut_prompt, screen::LampColour::Red);
}

TEST(TestFormTest, FrequencyAmplitudeAndResetSendTheirCommands) {
  OpenForm rig;
  rig.St().TestFormReset();
  rig.Form().amplitude.text = "5";
  rig.St().TestFormSetAmplitude();
  rig.Form().amplitude.text = "5.5";  // not a whole number: nothing
  rig.St().TestFormSetAmplitude();
  rig.Form().frequency.text = "x";
  rig.St().TestFormSetFrequency();
  EXPECT_THAT(rig.SynthPackets(),
              ElementsAre("03,31,00,04", "0B,41,82,FF,00,00,00,00,00,00,05,04"));
  EXPECT_THAT(rig.Texts(), IsEmpty());

  rig.sim.ClearPackets();
  rig.Form().frequency.text = "900";
  rig.St().TestFormSetFrequency();
  const auto packets = rig.SynthPackets();
  ASSERT_FALSE(packets.empty());
  EXPECT_EQ(packets[0].substr(0, 6), "07,40,");
  EXPECT_EQ(rig.Form().range1, screen::LampColour::Red);  // the band line of 900 MHz
  EXPECT_EQ(rig.Form().range0, screen::LampColour::Off);
}

TEST(TestFormTest, CalculateShowsAndKeepsTheCounters) {
  OpenForm rig;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0.5", "3"}, {"6000", "16384"}, {"900", "2812"}};
  for (const auto& [mhz, n] : cases) {
    rig.Form().pll_frequency.text = mhz;
    rig.St().TestFormCalculate();
    EXPECT_EQ(rig.Form().n_counter.text, n) << mhz;
    EXPECT_EQ(std::to_string(rig.St().Link().PllN), n);
  }
  rig.Form().r_counter.text = "4000.5";
  rig.St().TestFormCalculate();
  EXPECT_EQ(rig.St().Link().RCounter, 4000U);
  EXPECT_THAT(rig.Texts(), IsEmpty());

  rig.Form().r_counter.text = "R";
  rig.St().TestFormCalculate();
  rig.Form().pll_frequency.text = "fast";
  rig.St().TestFormCalculate();
  const auto& history = rig.op.script.History();
  ASSERT_EQ(history.size(), 2U);
  EXPECT_EQ(history[0].Text, "Silly R Counter Error");
  EXPECT_EQ(history[0].Kind, MessageKind::Plain);
  EXPECT_EQ(history[1].Text, "Silly Frequency Error");
  EXPECT_EQ(history[1].Kind, MessageKind::Plain);
  EXPECT_EQ(rig.Form().n_counter.text, "2812");
  EXPECT_EQ(rig.St().Link().RCounter, 4000U);
}

TEST(TestFormTest, TransmitPacketWritesTheCountersToTheSynthesiser) {
  OpenForm rig;
  rig.Screen().diagnostics.messages.clear();
  rig.Form().pll_frequency.text = "900";
  rig.St().TestFormCalculate();
  rig.St().TestFormTransmitPacket();
  EXPECT_THAT(rig.SynthPackets(), ElementsAre("06,30,0A,FC,13,88,04"));
  EXPECT_THAT(rig.Screen().diagnostics.messages, IsEmpty());

  rig.sim.ClearPackets();
  rig.Form().n_counter.text = "65536";
  rig.St().TestFormTransmitPacket();
  rig.Form().n_counter.text = "N";
  rig.St().TestFormTransmitPacket();
  EXPECT_THAT(rig.SynthPackets(), IsEmpty());
  EXPECT_THAT(rig.Texts(), ElementsAre("Silly Frequency Error"));

  // A short write is the synthesiser's fault, whichever device is chosen.
  rig.op.script.ClearHistory();
  rig.Form().n_counter.text = "2812";
  rig.St().TestFormChooseDevice(1);
  rig.sim.Faults().Salvo.ShortWrites = 1;
  rig.St().TestFormTransmitPacket();
  EXPECT_THAT(rig.SalvoPackets(), ElementsAre("06,30,0A,FC,13,88"));
  EXPECT_THAT(rig.Texts(), ElementsAre("Tarvos Fault : I2C Write Error. #1"));
}

TEST(TestFormTest, SendStringWritesOnTheChosenDeviceAndRemembersTheText) {
  OpenForm rig;
  rig.Screen().diagnostics.messages.clear();
  rig.Form().i2c_string.text = "03,20,00,04";
  rig.St().TestFormSendString();
  rig.St().TestFormSendString();
  EXPECT_EQ(rig.Form().response, "Response : ");
  EXPECT_THAT(rig.SynthPackets(), ElementsAre("03,20,00,04", "03,20,00,04"));
  EXPECT_THAT(rig.Form().recent_strings, ElementsAre("03,20,00,04"));
  EXPECT_THAT(rig.Screen().diagnostics.messages, IsEmpty());

  rig.St().TestFormChooseDevice(1);
  rig.Form().i2c_string.text = "03,21,00,04";
  rig.St().TestFormSendString();
  EXPECT_THAT(rig.SalvoPackets(), ElementsAre("03,21,00,04"));

  rig.sim.Faults().Salvo.ShortWrites = 1;
  rig.St().TestFormSendString();
  rig.St().TestFormChooseDevice(0);
  rig.sim.Faults().Synth.ShortWrites = 1;
  rig.St().TestFormSendString();
  EXPECT_THAT(rig.Texts(),
              ElementsAre("Salvo Fault : I2C Write Error.", "Tarvos Fault : I2C Write Error. #1"));
  EXPECT_THAT(rig.Form().recent_strings, ElementsAre("03,20,00,04", "03,21,00,04"));

  // A text that is no command is refused with the reason; nothing is sent or kept.
  rig.op.script.ClearHistory();
  rig.sim.ClearPackets();
  rig.Form().i2c_string.text = "03,ZZ,04";
  rig.St().TestFormSendString();
  rig.Form().i2c_string.text = "";
  rig.St().TestFormSendString();
  EXPECT_THAT(rig.SynthPackets(), IsEmpty());
  ASSERT_EQ(rig.Texts().size(), 1U);
  EXPECT_THAT(rig.Texts()[0], ::testing::HasSubstr("ZZ"));
  EXPECT_EQ(rig.Form().recent_strings.size(), 2U);
}

TEST(TestFormTest, ReadShowsTheHandleTheCountAndTheBytes) {
  OpenForm rig;
  rig.Form().i2c_string.text = "03,20,00,04";
  rig.St().TestFormSendString();
  rig.St().TestFormRead();
  EXPECT_EQ(rig.Form().handle_label, "USBHandle 1000");
  EXPECT_EQ(rig.Form().bytes_read, "64 Bytes Read");
  // The version reply, then the unsolicited status, then zeros.
  EXPECT_THAT(rig.Form().data_low, ::testing::StartsWith("06,C0,00,00,00,03,06,05,C3,00,00,00,"));
  EXPECT_EQ(rig.Form().data_low.size(), 96U);
  std::string zeros;
  for (int i = 0; i < 32; ++i) zeros += "00,";
  EXPECT_EQ(rig.Form().data_high, zeros);

  rig.sim.Faults().Synth.ShortReads = 1;
  rig.St().TestFormRead();
  EXPECT_EQ(rig.Form().bytes_read, "63 Bytes Read");

  rig.St().TestFormChooseDevice(1);
  rig.St().TestFormRead();
  EXPECT_EQ(rig.Form().handle_label, "USBHandle 1001");
}

TEST(TestFormTest, ReadThousandTimesReadsExactlyThousandTimesAndTimesThem) {
  OpenForm rig;
  rig.adapters.reads.clear();
  rig.adapters.read_ms = 3;  // 3 s for the thousand
  rig.St().TestFormReadRepeatedly();
  EXPECT_EQ(rig.adapters.reads[kSynthHandle], 1000);
  EXPECT_EQ(rig.adapters.reads.size(), 1U);
  EXPECT_EQ(rig.Form().read_time, "    3.00Secs");
  EXPECT_EQ(rig.Form().bytes_read, "64000 Bytes Read");

  rig.adapters.read_ms = 0;
  rig.sim.Faults().Synth.ShortReads = 3;
  rig.St().TestFormReadRepeatedly();
  EXPECT_EQ(rig.adapters.reads[kSynthHandle], 2000);
  EXPECT_EQ(rig.Form().read_time, "    0.00Secs");
  EXPECT_EQ(rig.Form().bytes_read, "63997 Bytes Read");
}

TEST(TestFormTest, ForceReadShowsTheInputLinesAndAsksForTheStatus) {
  OpenForm rig;
  rig.sim.Faults().Synth.AmplifierFault = true;
  rig.St().TestFormForceRead();
  const auto& lines = rig.Form().input_lines;
  EXPECT_TRUE(lines[2]);  // the Fennix's HardwareId 0x04
  EXPECT_FALSE(lines[3]);
  EXPECT_TRUE(lines[17]);
  EXPECT_EQ(rig.Form().pa_status, screen::LampColour::Lime);
  EXPECT_EQ(rig.Form().eut_status, screen::LampColour::Off);
  EXPECT_THAT(rig.SynthPackets(), ElementsAre("03,22,00,04"));

  rig.sim.Faults().Synth.AmplifierFault = false;
  rig.St().Run().EutFaultLatched = true;
  rig.St().TestFormForceRead();
  EXPECT_FALSE(lines[17]);
  EXPECT_EQ(rig.Form().pa_status, screen::LampColour::Off);
  EXPECT_EQ(rig.Form().eut_status, screen::LampColour::Lime);
}

TEST(TestFormTest, AClosedWindowsButtonsDoNothing) {
  WindowRig rig;
  rig.StartUp();
  rig.adapters.reads.clear();
  rig.Screen().test_form.i2c_string.text = "03,20,00,04";
  rig.St().TestFormSendString();
  rig.St().TestFormReset();
  rig.St().TestFormToggleLine(link::kRange0);
  rig.St().TestFormReadRepeatedly();
  EXPECT_THAT(rig.SynthPackets(), IsEmpty());
  EXPECT_EQ(rig.adapters.reads[kSynthHandle], 0);
}

TEST(TestFormTest, EnumerateSearchesAllInstancesAndSetsTheUnitsUpAgain) {
  OpenForm rig;
  rig.Form().delay_ticks.text = "x";
  rig.St().TestFormEnumerate();
  EXPECT_EQ(rig.adapters.opens.count(127), 0U);

  rig.adapters.opens.clear();
  rig.St().Screen().caption.clear();
  rig.St().Link().SalvoPresent = false;
  rig.Form().delay_ticks.text = "2";
  const uint64_t start = rig.loop.ClockMs();
  rig.St().TestFormEnumerate();
  EXPECT_EQ(rig.adapters.opens.size(), 128U);
  EXPECT_EQ(rig.adapters.opens[127], 1);
  EXPECT_EQ(rig.Form().counter, "127");
  // 128 waits of 2 ticks, and the synthesiser's reset wait of 5.
  EXPECT_GE(rig.loop.ClockMs() - start, (128 * 2 + 5) * link::kTickMs);

  EXPECT_EQ(rig.Screen().caption, "Brevant Instruments Ltd - Fennix");
  EXPECT_TRUE(rig.St().Link().SalvoPresent);
  EXPECT_TRUE(rig.St().Link().SynthPresent);
  EXPECT_EQ(rig.Screen().devices.Get(1, 2), "Salvo");
  EXPECT_THAT(rig.SalvoPackets(), ElementsAre("03,20,00,04", "03,40,02,04", "03,21,00,04"));
  const auto synth = rig.SynthPackets();
  EXPECT_THAT(synth, Contains("03,31,00,04"));
  EXPECT_EQ(synth.back(), "03,3E,A5,04");
  // The window is open: nothing read the replies.
  EXPECT_TRUE(rig.St().Link().ReadsSuppressed);
}

// The per-instance step without a station: what the engineer's search does differently
// from start-up.
TEST(EnumerateAdaptersTest, LongSerialsAndTheCaptionAndSalvoFlagLeftToTheEnd) {
  sim::Bench bench = *sim::MakeBench("fennix-salvo");
  const std::string serial(40, 'S');
  bench.Adapters[0].Serial = serial;
  platform::VirtualEventLoop loop;
  sim::SimulatedTestSet sim(bench, 1, [&loop] { return loop.ClockMs(); });
  platform::ScriptedOperator op;
  screen::Screen screen;
  link::AdapterLink link;
  link::NoLinkEvents events;
  link::AdapterAccess access(link, sim, loop, op, screen, events);
  link::CommandSet commands(access);

  link::IdentifyAdapters(access, commands, {});
  EXPECT_EQ(screen.devices.Get(0, 3), serial.substr(0, 21));

  link.SalvoPresent = false;
  screen.caption.clear();
  std::vector<std::pair<bool, std::string>> seen;
  int salvo_settings = 0;
  link::EnumerateAdapters(access, commands, {[&] { ++salvo_settings; }, nullptr}, 0,
                          [&](uint8_t) { seen.emplace_back(link.SalvoPresent, screen.caption); });
  ASSERT_EQ(seen.size(), 128U);
  for (const auto& [present, caption] : seen) {
    EXPECT_FALSE(present);
    EXPECT_EQ(caption, "");
  }
  EXPECT_EQ(salvo_settings, 1);
  EXPECT_EQ(screen.devices.Get(0, 3), serial);
  EXPECT_TRUE(link.SalvoPresent);
  EXPECT_EQ(screen.caption, "Brevant Instruments Ltd - Fennix");
}

}  // namespace
}  // namespace tarvos::station
