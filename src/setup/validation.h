#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "calib/cell_table.h"
#include "engine/result_store.h"
#include "engine/run_state.h"
#include "platform/operator.h"
#include "screen/messages.h"
#include "screen/screen.h"
#include "setup/level_profile.h"
#include "setup/test_setup.h"

namespace tarvos::setup {

// What the validations derive from the setup and keep beside it.
struct ValidationState {
  // Set by each validation, cleared by its error messages; a run needs it.
  bool SetupValid = false;
  // The frequencies of custom row 1 and of the last filled row: a custom scan's bounds.
  uint32_t CustomFirstFrequency = 0;
  uint32_t CustomLastFrequency = 0;
  LevelProfile Profile;
  // The operator has been told that a level of 0 is not calibrated.
  bool NotCalibratedWarned = false;
};

// The numeric value of an entry field: only "-", "." and digits count, so "80 MHz" is 80.
// A text without a number shows "Invalid String : " with the text quoted and gives 0. A
// number too large for a float gives an infinity, which every range test refuses.
float ParseEntry(std::string_view text, platform::Operator& op);

struct SetupValidationContext {
  TestSetup& Setup;
  ValidationState& State;
  screen::Screen& Screen;
  platform::Operator& Operator;
  const calib::CellTable& Cell;   // MaxFrequency, MaxField and the lookup of CellDrive
  engine::ResultStore& Results;   // CellDrive's probe scale
  engine::PreScanTable& PreScan;  // Available
  engine::RunState& Run;          // Running, LevelSetPoint
  // Reloads the setup kept with the pre-scan data, when the operator keeps the pre-scan.
  std::function<void()> ReloadPreScanSetup;
};

// Reads the entry fields of the screen into the test setup, checking each value against
// the cell's limits, and writes the held values back. Every message is a warning with
// one OK button; a refused value never replaces the held one.
class SetupValidation {
 public:
  explicit SetupValidation(SetupValidationContext context) : context_(std::move(context)) {}

  float ParseEntry(std::string_view text);
  // "Dwell Time (secs)" of the setup panel; does not touch SetupValid.
  void ValidateDwell();
  void ValidateStandard();
  void ValidateSingle();
  void ValidateCustom();
  // The validation of the current TestMode, then RefreshSetupDisplay: what leaving a
  // setup field runs.
  void ValidateByMode();
  // Every held value back into its field, the choices and the custom rows; a repaint.
  void RefreshSetupDisplay();
  // EstimatedTime from the step sequence, shown in "Estimated Time"; for a standard scan
  // also the two points of the level profile.
  void UpdateEstimatedTime();
  // The target level of the profile at the frequency, shown in the monitor's Target.
  double TargetLevelAt(uint32_t frequency_hz);
  // True when the test type may change; asks first when that would drop a pre-scan.
  bool ConfirmTestTypeChange();
  // The "Range" radio group from RangeChoice.
  void ShowRange();

 private:
  // A warning that clears SetupValid.
  void Reject(const screen::MessageEntry& message);
  void Warn(const screen::MessageEntry& message);
  void ValidateStepAndField();
  void RangeFrom(uint32_t first_hz, uint32_t last_hz);

  SetupValidationContext context_;
};

}  // namespace tarvos::setup
