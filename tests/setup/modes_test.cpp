#include "setup/modes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calib/cell_table.h"
#include "engine/result_store.h"
#include "engine/run_state.h"
#include "platform/scripted_operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"
#include "setup/validation.h"

namespace tarvos::setup {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kQuestion =
    "Changing Test Type will Disable Pre Scan Settings. Continue with Changes ?";

calib::CellTable ExampleCell() {
  calib::CellTable cell;
  cell.Rows[0] = {30'000'000, {0.41F, 0.70F, 0.98F, 1.40F}};
  cell.Rows[1] = {100'000'000, {0.45F, 0.75F, 1.05F, 1.50F}};
  cell.Rows[2] = {1'000'000'000, {0.52F, 0.86F, 1.21F, 1.73F}};
  cell.RowCount = 3;
  cell.MaxFrequency = 1000.0F + 0.1F;
  cell.DriveScale = 26214;
  return cell;
}

class ModesTest : public ::testing::Test {
 protected:
  // The state after a pre-scan of a standard scan: its data is kept for a pre-scanned run.
  void AfterPreScan() {
    setup.TestMode = kPreScanStandard;
    prescan.Available = true;
    screen.setup.test_type = {1, true};
    screen.setup.visible = true;
  }
  std::vector<std::string> Questions() const { return op.TextsOf(MessageKind::Confirmation); }

  TestSetup setup;
  ValidationState state;
  screen::Screen screen;
  platform::ScriptedOperator op;
  calib::CellTable cell = ExampleCell();
  engine::ResultStore results;
  engine::PreScanTable prescan;
  engine::RunState run;
  int control_updates = 0;
  std::vector<int> strip_stops;  // the modulation type held when the strip chart stopped
  SetupValidation validation{
      SetupValidationContext{setup, state, screen, op, cell, results, prescan, run, nullptr}};
  ModeContext context{setup,
                      validation,
                      state,
                      prescan,
                      run,
                      screen,
                      [this] { ++control_updates; },
                      [this] { strip_stops.push_back(setup.ModulationType); }};
};

TEST_F(ModesTest, StandardScanWithAPreScanKeepsThePreScannedMode) {
  AfterPreScan();
  screen.report_visible = true;
  screen.single.visible = true;
  const unsigned repaints = screen.repaints;
  SwitchMode(context, kPreScanStandard);
  EXPECT_THAT(op.History(), IsEmpty());
  EXPECT_EQ(setup.TestMode, kPreScanStandard);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Standard");
  EXPECT_TRUE(screen.setup.visible);
  EXPECT_EQ(screen.setup.heading, "STANDARD");
  EXPECT_FALSE(screen.single.visible);
  EXPECT_FALSE(screen.report_visible);
  EXPECT_FALSE(screen.setup.custom.visible);
  EXPECT_TRUE(prescan.Available);
  // The setup display was refreshed from the record.
  EXPECT_EQ(screen.setup.start.text, "100.00");
  EXPECT_EQ(screen.setup.finish.text, "200.00");
  EXPECT_EQ(control_updates, 1);
  EXPECT_GT(screen.repaints, repaints);
}

TEST_F(ModesTest, LeavingAPreScanAsksAndNoKeepsModeAndPanel) {
  AfterPreScan();
  SwitchMode(context, kSingle);
  EXPECT_THAT(Questions(), ElementsAre(kQuestion));
  EXPECT_EQ(setup.TestMode, kPreScanStandard);
  EXPECT_TRUE(screen.setup.visible);
  EXPECT_FALSE(screen.single.visible);
  EXPECT_EQ(screen.setup.heading, "STANDARD");
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Standard");
  EXPECT_TRUE(prescan.Available);
  EXPECT_EQ(screen.setup.test_type.index, 1);
  EXPECT_TRUE(screen.setup.test_type.enabled);
  EXPECT_EQ(control_updates, 1);
}

TEST_F(ModesTest, LeavingAPreScanOnYesDropsIt) {
  AfterPreScan();
  op.QueueAnswer(true);
  SwitchMode(context, kSingle);
  EXPECT_THAT(Questions(), ElementsAre(kQuestion));
  EXPECT_EQ(setup.TestMode, kSingle);
  EXPECT_TRUE(screen.single.visible);
  EXPECT_FALSE(screen.setup.visible);
  EXPECT_EQ(screen.setup.heading, "SINGLE FREQUENCY CONTROL");
  EXPECT_EQ(screen.monitor.mode_label, "Single Frequency");
  EXPECT_FALSE(prescan.Available);
  EXPECT_EQ(screen.setup.test_type.index, 0);
  EXPECT_FALSE(screen.setup.test_type.enabled);
}

TEST_F(ModesTest, WithoutAPreScanModesChangeWithoutAQuestion) {
  setup.TestMode = kStandard;
  SwitchMode(context, kCustom);
  SwitchMode(context, kSingle);
  SwitchMode(context, kStandard);
  EXPECT_THAT(op.History(), IsEmpty());
  EXPECT_EQ(setup.TestMode, kStandard);
  EXPECT_EQ(screen.monitor.mode_label, "Standard");
  EXPECT_EQ(control_updates, 3);
}

TEST_F(ModesTest, CustomModeShowsTheGridWithItsRows) {
  setup.CustomList[0] = {80'000'000, 3.0F};
  setup.CustomList[1] = {123'456'789, 2.5F};
  setup.CustomList[3] = {2'000'000, 10.0F};  // a row after an empty one is shown too
  screen.setup.custom.cells[3] = {"old", "old"};
  screen.setup.custom.cells[30] = {"old", "old"};
  SwitchMode(context, kCustom);
  EXPECT_TRUE(screen.setup.visible);
  EXPECT_TRUE(screen.setup.custom.visible);
  EXPECT_EQ(screen.setup.heading, "CUSTOM");
  EXPECT_EQ(screen.monitor.mode_label, "Custom");
  const auto& cells = screen.setup.custom.cells;
  EXPECT_THAT(cells[0], ElementsAre("MHz", "V/m"));
  EXPECT_THAT(cells[1], ElementsAre("80.000", "3.00"));
  EXPECT_THAT(cells[2], ElementsAre("123.457", "2.50"));
  EXPECT_THAT(cells[3], ElementsAre("", ""));
  EXPECT_THAT(cells[4], ElementsAre("2.000", "10.00"));
  EXPECT_THAT(cells[30], ElementsAre("", ""));

  setup.CustomList[0] = {1'000, 0.0F};
  ShowCustomGrid(setup, screen);
  EXPECT_THAT(cells[1], ElementsAre("0.001", "0.00"));
}

TEST_F(ModesTest, PreScannedChoiceInSingleModeGivesAModeWithoutPanel) {
  SwitchMode(context, kSingle);
  const int updates = control_updates;
  ChooseTestType(context, 1);
  EXPECT_EQ(setup.TestMode, kPreScanSingle);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Single Frequency");
  EXPECT_EQ(screen.setup.test_type.index, 1);
  // The choice changes neither the panel nor the controls, and asks nothing.
  EXPECT_TRUE(screen.single.visible);
  EXPECT_EQ(control_updates, updates);
  EXPECT_THAT(op.History(), IsEmpty());

  SwitchMode(context, kPreScanSingle);
  EXPECT_FALSE(screen.single.visible);
  EXPECT_FALSE(screen.setup.visible);
  EXPECT_EQ(screen.setup.heading, "SINGLE FREQUENCY CONTROL");  // left as it was
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Single Frequency");
}

TEST_F(ModesTest, TestTypeMovesBetweenNormalAndPreScanned) {
  setup.TestMode = kPreScanCustom;
  ChooseTestType(context, 0);
  EXPECT_EQ(setup.TestMode, kCustom);
  EXPECT_EQ(screen.monitor.mode_label, "Custom");
  ChooseTestType(context, 1);
  ChooseTestType(context, 1);
  EXPECT_EQ(setup.TestMode, kPreScanCustom);
  ChooseTestType(context, 2);
  ChooseTestType(context, -1);
  EXPECT_EQ(setup.TestMode, kPreScanCustom);
  EXPECT_EQ(screen.setup.test_type.index, 1);
}

TEST_F(ModesTest, DomesticPresetLeavesTheSinglePanelShowing) {
  SwitchMode(context, kSingle);
  setup.StepPercent = 2.5F;
  setup.DwellTime = 7;
  setup.RangeChoice = 2;
  for (std::size_t i = 0; i < 6; ++i) state.Profile.Points[i] = {50'000'000, 9.0F};
  state.Profile.Points[1999] = {60'000'000, 9.0F};
  const unsigned repaints = screen.repaints;

  ApplyIecPreset(context, IecPreset::DomesticCommercial);
  EXPECT_TRUE(screen.single.visible);
  EXPECT_FALSE(screen.setup.visible);
  EXPECT_EQ(screen.monitor.mode_label, "Single Frequency");  // the display is not switched
  EXPECT_EQ(setup.TestMode, kStandard);
  EXPECT_EQ(setup.StartFrequency, 80'000'000u);
  EXPECT_EQ(setup.EndFrequency, 1'000'000'000u);
  EXPECT_EQ(setup.FieldStrength, 3.0F);
  EXPECT_EQ(setup.StepPercent, 2.5F);
  EXPECT_EQ(setup.DwellTime, 7u);
  EXPECT_EQ(setup.RangeChoice, 0);
  EXPECT_EQ(screen.setup.range.index, 0);
  EXPECT_EQ(setup.ModulationType, 4);
  EXPECT_EQ(screen.setup.modulation.index, 4);
  EXPECT_EQ(screen.single.modulation.index, 4);
  EXPECT_EQ(screen.setup.modulation_depth, "Modulation Depth = 80%");
  EXPECT_EQ(screen.monitor.modulation, "1 KHz AM");
  EXPECT_EQ(screen.setup.start.text, "80.00");
  EXPECT_EQ(screen.setup.finish.text, "1000.00");
  EXPECT_EQ(screen.setup.field.text, "3.0");
  // The old profile is gone; the standard scan's two points replace it.
  EXPECT_EQ(state.Profile.Points[0].Frequency, 80'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Frequency, 1'000'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Level, 3.0F);
  for (std::size_t i = 2; i < kProfilePoints; ++i) {
    ASSERT_EQ(state.Profile.Points[i].Frequency, 0u) << "point " << i;
    ASSERT_EQ(state.Profile.Points[i].Level, 0.0F) << "point " << i;
  }
  // Display only: nothing is validated.
  EXPECT_FALSE(state.SetupValid);
  EXPECT_EQ(run.LevelSetPoint, 0);
  EXPECT_THAT(op.History(), IsEmpty());
  EXPECT_GT(screen.repaints, repaints);
}

TEST_F(ModesTest, IndustrialPresetValidatesTheScan) {
  setup.TestMode = kCustom;
  ApplyIecPreset(context, IecPreset::Industrial);
  EXPECT_THAT(op.History(), IsEmpty());
  EXPECT_TRUE(state.SetupValid);
  EXPECT_EQ(setup.FieldStrength, 10.0F);
  EXPECT_EQ(screen.setup.field.text, "10.0");
  EXPECT_GT(run.LevelSetPoint, 0);
  // The validation picks the range of the scan: its finish reaches 1 GHz.
  EXPECT_EQ(setup.RangeChoice, 2);
  EXPECT_EQ(screen.setup.range.index, 2);
  EXPECT_GT(setup.EstimatedTime, 0);
}

TEST_F(ModesTest, IndustrialPresetWithAPreScanAsksBeforeValidating) {
  AfterPreScan();
  ApplyIecPreset(context, IecPreset::Industrial);
  EXPECT_THAT(Questions(), ElementsAre(kQuestion));
  EXPECT_FALSE(state.SetupValid);
  EXPECT_TRUE(prescan.Available);
  EXPECT_EQ(setup.FieldStrength, 10.0F);
}

TEST_F(ModesTest, AModulationChosenOnOnePanelShowsOnTheOther) {
  ChooseSetupModulation(context, 2);
  EXPECT_EQ(setup.ModulationType, 2);
  EXPECT_EQ(screen.single.modulation.index, 2);
  EXPECT_EQ(screen.setup.modulation.index, 2);
  EXPECT_EQ(screen.single.modulation_depth, "Modulation Depth = 100%");
  EXPECT_EQ(screen.monitor.modulation, "20 Hz Pulse");
  EXPECT_THAT(strip_stops, IsEmpty());
  EXPECT_FALSE(run.RetuneRequest);

  ChooseSingleModulation(context, 0);
  EXPECT_EQ(setup.ModulationType, 0);
  EXPECT_EQ(screen.setup.modulation.index, 0);
  EXPECT_EQ(screen.setup.modulation_depth, "No Modulation");
  EXPECT_EQ(screen.monitor.modulation, "None");
  // The strip chart stopped before the modulation changed.
  EXPECT_THAT(strip_stops, ElementsAre(2));
  EXPECT_TRUE(run.RetuneRequest);
}

TEST_F(ModesTest, ChoicesOutsideTheirItemsChangeNothing) {
  setup.ModulationType = 3;
  setup.RangeChoice = 1;
  setup.EutStatusMode = 2;
  setup.EutPromptMode = 1;
  run.EutFaultLatched = true;
  const unsigned repaints = screen.repaints;
  ChooseSetupModulation(context, 5);
  ChooseSingleModulation(context, -1);
  ChooseRange(context, 3);
  ChooseEutStatus(context, -1);
  ChooseEutPrompt(context, 3);
  EXPECT_EQ(setup.ModulationType, 3);
  EXPECT_EQ(setup.RangeChoice, 1);
  EXPECT_EQ(setup.EutStatusMode, 2);
  EXPECT_EQ(setup.EutPromptMode, 1);
  EXPECT_TRUE(run.EutFaultLatched);
  EXPECT_THAT(strip_stops, IsEmpty());
  EXPECT_FALSE(run.RetuneRequest);
  EXPECT_EQ(screen.repaints, repaints);
}

TEST_F(ModesTest, RadioGroupsSetTheirValues) {
  const unsigned repaints = screen.repaints;
  ChooseRange(context, 2);
  EXPECT_EQ(setup.RangeChoice, 2);
  EXPECT_EQ(screen.setup.range.index, 2);
  EXPECT_EQ(screen.repaints, repaints + 1);

  run.EutFaultLatched = true;
  ChooseEutStatus(context, 1);
  EXPECT_EQ(setup.EutStatusMode, 1);
  EXPECT_EQ(screen.setup.eut_status.index, 1);
  EXPECT_FALSE(run.EutFaultLatched);

  ChooseEutPrompt(context, 2);
  EXPECT_EQ(setup.EutPromptMode, 2);
  EXPECT_EQ(screen.setup.eut_prompt.index, 2);
}

}  // namespace
}  // namespace tarvos::setup
