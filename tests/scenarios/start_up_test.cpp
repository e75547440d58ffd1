// Start-up on the simulated benches: the splash, identification, the adapter description
// file, the device grid, the caption and the controls it leaves enabled.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

constexpr std::string_view kUsbTextMissing = "USB Text file Missing";

bool Shown(const std::vector<std::string>& texts, std::string_view text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::vector<screen::Button*> RunControls(screen::Screen& screen) {
  screen::Buttons& b = screen.buttons;
  return {&b.run, &b.pre_scan, &b.dwell, &b.standard_scan, &b.custom_scan, &b.single_point};
}

TEST(StartUpTest, TheStartTimerIdentifiesBothUnitsAndMakesTheWindowReady) {
  StationRig rig;
  screen::Screen& screen = rig.Screen();
  EXPECT_TRUE(screen.splash.visible);
  EXPECT_EQ(screen.splash.caption, "Brevant Instruments Ltd  Tarvos Starting...");
  for (screen::Button* button : RunControls(screen)) EXPECT_FALSE(button->enabled);

  // Nothing happens before the one-shot timer's 2500 ms.
  rig.loop.RunFor(station::kStartUpMs - 1);
  EXPECT_FALSE(rig.St().StartedUp());
  EXPECT_FALSE(rig.sim.IsOpen(0));

  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());
  EXPECT_FALSE(screen.splash.visible);
  EXPECT_EQ(screen.caption, "Brevant Instruments Ltd - Fennix");
  // The first start has no settings: the cell serial is asked for, and the sample
  // adapter description file is found, so nothing else is said.
  const auto texts = rig.TakeTexts();
  EXPECT_FALSE(Shown(texts, kUsbTextMissing)) << ::testing::PrintToString(texts);

  EXPECT_EQ(screen.devices.Get(0, 0), "0");
  EXPECT_EQ(screen.devices.Get(0, 2), "Fennix");
  EXPECT_EQ(screen.devices.Get(1, 0), "1");
  EXPECT_EQ(screen.devices.Get(1, 2), "Salvo");
  EXPECT_EQ(screen.devices.Get(2, 2), "");
  EXPECT_TRUE(rig.St().Link().SynthPresent);
  EXPECT_TRUE(rig.St().Link().SalvoPresent);

  for (screen::Button* button : RunControls(screen)) {
    if (button == &screen.buttons.dwell) continue;  // DWELL waits for a run
    EXPECT_TRUE(button->enabled) << button->caption;
  }
  EXPECT_TRUE(screen.buttons.report_results.enabled);
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kStandard);
  EXPECT_TRUE(screen.setup.visible);
  EXPECT_EQ(screen.setup.heading, "STANDARD");
  EXPECT_EQ(screen.lamps.ready, screen::LampColour::Green);

  // Output lines 0 to 15 were cleared one by one; the synthesiser says its version.
  EXPECT_EQ(rig.sim.OutputImage(kSynthInstance) & 0xFFFFU, 0U);
  EXPECT_EQ(CountPackets(rig.sim.SynthPackets(), {0x03, 0x3E, 0xA5, 0x04}), 1);

  // The start timer was one-shot.
  rig.sim.ClearPackets();
  rig.loop.RunFor(10'000);
  EXPECT_EQ(CountPackets(rig.sim.SynthPackets(), {0x03, 0x3E, 0xA5, 0x04}), 0);
}

TEST(StartUpTest, TheAdapterDescriptionFileIsFoundWhateverTheCaseOfItsName) {
  StationRig rig;
  std::filesystem::rename(rig.folder.File("BrevantUSB.TXT"), rig.folder.File("brevantusb.txt"));
  rig.StartUp();
  EXPECT_FALSE(Shown(rig.TakeTexts(), kUsbTextMissing));
}

TEST(StartUpTest, AMissingOrBrokenAdapterDescriptionFileIsReportedAndStartUpGoesOn) {
  for (const bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "broken" : "missing");
    StationRig rig;
    if (broken) {
      std::ofstream out(rig.folder.File("BrevantUSB.TXT"), std::ios::binary | std::ios::trunc);
      out << "header\r\nheader\r\nheader\r\n0,Corvid\r\n300,Too big\r\n";
    } else {
      rig.folder.Remove("BrevantUSB.TXT");
    }
    rig.StartUp();
    const auto& history = rig.op.History();
    const auto missing = std::find_if(history.begin(), history.end(),
                                      [](const auto& shown) { return shown.Text == kUsbTextMissing; });
    ASSERT_NE(missing, history.end());
    EXPECT_EQ(missing->Kind, platform::MessageKind::Plain);
    EXPECT_EQ(rig.Screen().caption, "Brevant Instruments Ltd - Fennix");
    EXPECT_TRUE(rig.Screen().buttons.run.enabled);
  }
}

TEST(StartUpTest, WithoutASynthesiserTheRunControlsStayDisabled) {
  StationRig rig("salvo-only");
  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());
  EXPECT_FALSE(rig.St().Link().SynthPresent);
  EXPECT_TRUE(rig.St().Link().SalvoPresent);
  EXPECT_FALSE(rig.Screen().splash.visible);
  for (screen::Button* button : RunControls(rig.Screen())) EXPECT_FALSE(button->enabled);
  // RUN pressed anyway (a disabled button's handler) does nothing.
  rig.St().PressRun();
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, engine::RunPhase::Idle);
}

TEST(StartUpTest, TheLaterOfTwoSynthesisersIsTheOneUsed) {
  StationRig rig("two-synths");
  rig.StartUp();
  EXPECT_EQ(rig.Screen().caption, "Brevant Instruments Ltd - Fennix");
  EXPECT_EQ(rig.Screen().devices.Get(0, 2), "Corvid");
  EXPECT_EQ(rig.Screen().devices.Get(3, 2), "Fennix");
  // The earlier adapter stays open; the commands go to the later one.
  EXPECT_TRUE(rig.sim.IsOpen(0));
  EXPECT_EQ(CountPackets(rig.sim.Packets(3), {0x03, 0x3E, 0xA5, 0x04}), 1);
  EXPECT_EQ(CountPackets(rig.sim.Packets(0), {0x03, 0x3E, 0xA5, 0x04}), 0);
}

}  // namespace
}  // namespace tarvos::scenarios
