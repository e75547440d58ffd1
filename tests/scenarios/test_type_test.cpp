// Yes to the test-type question drops the pre-scan and leaves a mode that runs: every
// path that asks it, on the simulator.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"

namespace tarvos::scenarios {
namespace {

constexpr const char* kQuestion =
    "Changing Test Type will Disable Pre Scan Settings. Continue with Changes ?";
constexpr const char* kRunEnded = "The Run has Ended. ";

// A station with a pre-scan of 80 to 100 MHz in 10 % steps just ended (mode 11), or of
// two custom rows (mode 13).
struct PreScannedRig : StationRig {
  explicit PreScannedRig(bool custom = false) {
    StartUp();
    screen::SetupPanel& panel = Screen().setup;
    if (custom) {
      St().PressCustomScan();
      panel.custom.cells[1] = {"80", "3"};
      panel.custom.cells[2] = {"100", "3"};
    }
    panel.start.text = "80";
    panel.finish.text = "100";
    panel.step.text = "10";
    panel.field.text = "3";
    panel.dwell.text = "1";
    St().LeaveSetupField();
    St().PressPreScan();
    TakeTexts();
  }

  // After a Yes: no pre-scan left, the choice back on "Normal" and closed.
  void ExpectPreScanDropped(uint8_t mode, const char* label) {
    EXPECT_EQ(St().Setup().TestMode, mode);
    EXPECT_EQ(Screen().monitor.mode_label, label);
    EXPECT_FALSE(St().PreScan().Available);
    EXPECT_EQ(Screen().setup.test_type.index, 0);
    EXPECT_FALSE(Screen().setup.test_type.enabled);
    EXPECT_FALSE(Screen().plot_prescan_visible);
  }

  // RUN levels every step (closed-loop level commands) and records it.
  void ExpectARunThatLevels(std::size_t steps) {
    sim.ClearPackets();
    St().PressRun();
    EXPECT_EQ(TakeTexts(), std::vector<std::string>{kRunEnded});
    EXPECT_EQ(engine::ResultCount(St().Results()), steps);
    for (std::size_t i = 1; i <= steps; ++i) {
      EXPECT_NEAR(St().Results().Entries[i].Level, 3.0, 0.15) << i;
    }
    int closed_loop = 0;
    for (const auto& command : LevelCommands(sim.SynthPackets())) {
      if (command.Mode == 0x82 && command.SetPoint != 0) ++closed_loop;
    }
    EXPECT_GE(closed_loop, static_cast<int>(steps));
  }
};

TEST(TestTypeTest, AnEditedFieldAnsweredYesGivesAStandardScanThatRuns) {
  PreScannedRig rig;
  ASSERT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
  ASSERT_EQ(rig.Screen().monitor.mode_label, "Pre Scan Standard");
  rig.Screen().setup.field.text = "3.0";
  rig.op.QueueAnswer(true);
  rig.St().LeaveSetupField();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{kQuestion});
  rig.ExpectPreScanDropped(setup::kStandard, "Standard");
  EXPECT_TRUE(rig.St().Validation().SetupValid);
  rig.ExpectARunThatLevels(4);
}

TEST(TestTypeTest, AnEditedGridAnsweredYesGivesACustomScanThatRuns) {
  PreScannedRig rig(true);
  ASSERT_EQ(rig.St().Setup().TestMode, setup::kPreScanCustom);
  rig.op.QueueAnswer(true);
  rig.St().LeaveSetupField();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{kQuestion});
  rig.ExpectPreScanDropped(setup::kCustom, "Custom");
  rig.ExpectARunThatLevels(4);
}

TEST(TestTypeTest, TheModeButtonsAndMenuItemsAnsweredYes) {
  {
    PreScannedRig rig;
    rig.op.QueueAnswer(true);
    rig.St().PressSinglePoint();
    EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{kQuestion});
    rig.ExpectPreScanDropped(setup::kSingle, "Single Frequency");
    EXPECT_TRUE(rig.Screen().single.visible);
  }
  {
    // From 11 to 13 asks; Yes leaves the custom scan without its pre-scan.
    PreScannedRig rig;
    rig.op.QueueAnswer(true);
    rig.St().MenuCustomScan();
    EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{kQuestion});
    rig.ExpectPreScanDropped(setup::kCustom, "Custom");
    // Back to the standard scan: nothing to ask any more, and it runs.
    rig.St().MenuStandardMode();
    EXPECT_TRUE(rig.TakeTexts().empty());
    rig.ExpectPreScanDropped(setup::kStandard, "Standard");
    rig.ExpectARunThatLevels(4);
  }
  {
    PreScannedRig rig;
    rig.op.QueueAnswer(true);
    rig.St().MenuSingleFrequencyMode();
    rig.ExpectPreScanDropped(setup::kSingle, "Single Frequency");
  }
}

TEST(TestTypeTest, OpenPreScansAnsweredYesThenCancelledLeavesAScanThatRuns) {
  PreScannedRig rig;
  rig.op.QueueAnswer(true);
  rig.op.QueueFile(std::nullopt);
  rig.St().Files().OpenPreScans();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{kQuestion});
  rig.ExpectPreScanDropped(setup::kStandard, "Standard");
  rig.ExpectARunThatLevels(4);
}

TEST(TestTypeTest, NoKeepsThePreScannedMode) {
  PreScannedRig rig;
  rig.op.QueueAnswer(false);
  rig.St().PressSinglePoint();
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
  EXPECT_EQ(rig.Screen().monitor.mode_label, "Pre Scan Standard");
  EXPECT_TRUE(rig.St().PreScan().Available);
  EXPECT_TRUE(rig.Screen().setup.test_type.enabled);
}

TEST(TestTypeTest, TheModeMenuItemsSwitchWithoutASynthesiser) {
  StationRig rig("none");
  rig.StartUp();
  rig.TakeTexts();
  ASSERT_FALSE(rig.Screen().buttons.custom_scan.enabled);
  rig.St().PressCustomScan();  // the button is disabled: nothing happens
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kStandard);
  rig.St().MenuCustomScan();
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kCustom);
  EXPECT_EQ(rig.Screen().setup.heading, "CUSTOM");
  EXPECT_TRUE(rig.Screen().setup.custom.visible);
  rig.St().MenuSingleFrequencyMode();
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kSingle);
  EXPECT_TRUE(rig.Screen().single.visible);
  rig.St().MenuStandardMode();
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kStandard);
  EXPECT_EQ(rig.Screen().monitor.mode_label, "Standard");
  EXPECT_TRUE(rig.Screen().setup.visible);
  // A setup of the custom mode can be saved for a bench that has the hardware.
  rig.St().MenuCustomScan();
  rig.Screen().setup.custom.cells[1] = {"150", "3"};
  rig.St().LeaveSetupField();
  rig.TakeTexts();
  ASSERT_TRUE(rig.St().Files().SaveSetupTo(rig.folder.File("custom.STP")));
  EXPECT_EQ(rig.folder.Lines("custom.STP")[16], "3");  // the mode
}

}  // namespace
}  // namespace tarvos::scenarios
