#include "setup/modes.h"

#include <string>

#include "setup/level_profile.h"
#include "setup/modulation_display.h"
#include "setup/number_forms.h"

namespace tarvos::setup {
namespace {

constexpr int kTestTypeItems = 2;  // "Normal", "Pre-Scanned"
constexpr double kHzPerMhz = 1'000'000.0;
constexpr uint32_t kIecStartHz = 80'000'000;
constexpr uint32_t kIecEndHz = 1'000'000'000;
constexpr float kDomesticField = 3.0F;
constexpr float kIndustrialField = 10.0F;
constexpr uint8_t kIecModulation = 4;  // "1 KHz AM"

bool InRange(int index, int items) { return index >= 0 && index < items; }

// Step 3 of a mode switch: the panel of the mode and the heading of the setup panel.
void ShowModePanel(ModeContext& context) {
  screen::Screen& screen = context.Screen;
  switch (context.Setup.TestMode) {
    case kStandard:
    case kPreScanStandard:
      screen.setup.visible = true;
      screen.setup.heading = "STANDARD";
      context.Validation.RefreshSetupDisplay();
      break;
    case kSingle:
      screen.single.visible = true;
      screen.setup.heading = "SINGLE FREQUENCY CONTROL";
      break;
    case kCustom:
    case kPreScanCustom:
      screen.setup.visible = true;
      screen.setup.custom.visible = true;
      screen.setup.heading = "CUSTOM";
      ShowCustomGrid(context.Setup, screen);
      break;
    default:
      // A pre-scanned single frequency has no panel of its own: the operator picks
      // another mode to see one.
      break;
  }
}

void SetModulation(ModeContext& context, int index) {
  context.Setup.ModulationType = static_cast<uint8_t>(index);
  ShowModulation(context.Setup, context.Screen);
}

}  // namespace

void SwitchMode(ModeContext& context, uint8_t mode) {
  TestSetup& setup = context.Setup;
  screen::Screen& screen = context.Screen;
  const uint8_t previous = setup.TestMode;
  setup.TestMode = mode;
  if (mode != previous && !context.Validation.ConfirmTestTypeChange()) {
    setup.TestMode = previous;
  }

  screen.report_visible = false;
  screen.single.visible = false;
  screen.setup.visible = false;
  screen.setup.custom.visible = false;
  ShowModePanel(context);

  ShowModeLabel(setup, screen);
  if (context.UpdateControls) context.UpdateControls();
  ++screen.repaints;
}

void ChooseTestType(ModeContext& context, int index) {
  if (!InRange(index, kTestTypeItems)) return;
  TestSetup& setup = context.Setup;
  if (setup.TestMode > kPreScanOffset) setup.TestMode -= kPreScanOffset;
  setup.TestMode += static_cast<uint8_t>(kPreScanOffset * index);
  context.Screen.setup.test_type.index = index;
  ShowModeLabel(setup, context.Screen);
}

void ApplyIecPreset(ModeContext& context, IecPreset preset) {
  TestSetup& setup = context.Setup;
  setup.RangeChoice = 0;
  // The presets are standard scans: no custom profile may linger behind them.
  context.State.Profile.Points.fill(ProfilePoint{});
  // The panel on show stays: the preset only fills in the standard values.
  setup.TestMode = kStandard;
  setup.ModulationType = kIecModulation;
  ShowModulation(setup, context.Screen);
  setup.StartFrequency = kIecStartHz;
  setup.EndFrequency = kIecEndHz;
  setup.FieldStrength = preset == IecPreset::Industrial ? kIndustrialField : kDomesticField;

  context.Validation.RefreshSetupDisplay();
  if (preset == IecPreset::Industrial) context.Validation.ValidateStandard();
  ++context.Screen.repaints;
}

void ShowCustomGrid(const TestSetup& setup, screen::Screen& screen) {
  auto& cells = screen.setup.custom.cells;
  for (std::size_t r = 1; r < cells.size(); ++r) cells[r] = {};
  cells[0] = {"MHz", "V/m"};
  static_assert(screen::CustomGrid::kRows == kCustomRows + 1, "a heading row and the custom rows");
  for (std::size_t r = 0; r < kCustomRows; ++r) {
    const CustomRow& row = setup.CustomList[r];
    if (row.Frequency == 0) continue;
    cells[r + 1][0] = FormatFixed(row.Frequency / kHzPerMhz, 5, 3);
    cells[r + 1][1] = FormatFixed(row.Level, 2, 2);
  }
}

void ChooseRange(ModeContext& context, int index) {
  if (!InRange(index, kRangeItems)) return;
  context.Setup.RangeChoice = static_cast<uint8_t>(index);
  context.Screen.setup.range.index = index;
  ++context.Screen.repaints;
}

void ChooseEutStatus(ModeContext& context, int index) {
  if (!InRange(index, kEutModeItems)) return;
  context.Setup.EutStatusMode = static_cast<uint8_t>(index);
  context.Screen.setup.eut_status.index = index;
  // A new way of treating the EUT line starts from a clean slate.
  context.Run.EutFaultLatched = false;
}

void ChooseEutPrompt(ModeContext& context, int index) {
  if (!InRange(index, kEutModeItems)) return;
  context.Setup.EutPromptMode = static_cast<uint8_t>(index);
  context.Screen.setup.eut_prompt.index = index;
}

void ChooseSetupModulation(ModeContext& context, int index) {
  if (!InRange(index, kModulationItems)) return;
  SetModulation(context, index);
}

void ChooseSingleModulation(ModeContext& context, int index) {
  if (!InRange(index, kModulationItems)) return;
  if (context.StopStripChart) context.StopStripChart();
  SetModulation(context, index);
  context.Run.RetuneRequest = true;
}

}  // namespace tarvos::setup
