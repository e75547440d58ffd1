#pragma once

#include <cstdint>
#include <functional>

#include "engine/result_store.h"
#include "engine/run_state.h"
#include "screen/screen.h"
#include "setup/test_setup.h"
#include "setup/validation.h"

namespace tarvos::setup {

// What the mode, preset and choice handlers read and change.
struct ModeContext {
  TestSetup& Setup;
  SetupValidation& Validation;
  ValidationState& State;  // the presets clear its level profile
  engine::PreScanTable& PreScan;
  engine::RunState& Run;  // EutFaultLatched, RetuneRequest
  screen::Screen& Screen;
  std::function<void()> UpdateControls;  // the run controls' enabling
  std::function<void()> StopStripChart;  // the single-frequency strip-chart timer
};

enum class IecPreset { DomesticCommercial, Industrial };

// The mode buttons, the "&Mode" menu items and the file commands: the panel of the mode,
// its heading and label; a change that would drop a pre-scan is asked first.
void SwitchMode(ModeContext& context, uint8_t mode);
// "Test Type": 0 "Normal", 1 "Pre-Scanned"; no question, no panel change.
void ChooseTestType(ModeContext& context, int index);
// The "&IEC Tests..." items.
void ApplyIecPreset(ModeContext& context, IecPreset preset);
// The custom grid from the custom rows; "MHz" and "V/m" in the heading row.
void ShowCustomGrid(const TestSetup& setup, screen::Screen& screen);

// The radio groups and lists of the setup and single-frequency panels. An index outside
// a group's items changes nothing.
void ChooseRange(ModeContext& context, int index);
void ChooseEutStatus(ModeContext& context, int index);
void ChooseEutPrompt(ModeContext& context, int index);
void ChooseSetupModulation(ModeContext& context, int index);
// Also stops the strip chart and asks the running dwell to retune.
void ChooseSingleModulation(ModeContext& context, int index);

}  // namespace tarvos::setup
