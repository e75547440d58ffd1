#include "setup/validation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "calib/cell_drive.h"
#include "engine/format_elapsed.h"
#include "screen/messages.h"
#include "setup/modulation_display.h"
#include "setup/number_forms.h"

namespace tarvos::setup {
namespace {

constexpr double kLowestMhz = 29.9;
constexpr double kLowestHz = 29'900'000.0;
constexpr double kHzPerMhz = 1'000'000.0;
constexpr uint32_t kOneGigahertz = 1'000'000'000;
constexpr double kLowestStep = 0.25;
constexpr double kHighestStep = 30.0;
constexpr int kMostEstimatedPoints = 1000;
constexpr uint32_t kUncheckedSingleDwell = 5;

// A value as a float field holds it; beyond the float range it is an infinity.
float HeldAsFloat(double value) {
  if (std::fabs(value) > std::numeric_limits<float>::max()) {
    return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(value));
  }
  return static_cast<float>(value);
}

// Whole Hz, or nullopt when the value does not fit the 32-bit record.
std::optional<uint32_t> WholeHz(double hz) {
  if (!(hz >= 0.0)) return std::nullopt;
  const double rounded = std::nearbyint(hz);
  if (rounded > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(rounded);
}

// Whole seconds of a positive or zero value that fit the record.
std::optional<uint32_t> WholeSeconds(float seconds) { return WholeHz(seconds); }

// "-" then digits with at most one ".", as the decimal conversion takes them.
bool IsPlainNumber(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

bool IsBlankCell(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

std::string Mhz(uint32_t hz, int decimals) { return FormatFixed(hz / kHzPerMhz, 0, decimals); }

}  // namespace

float ParseEntry(std::string_view text, platform::Operator& op) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    if (c == '-' || c == '.' || (c >= '0' && c <= '9')) kept += c;
  }
  if (const auto value = ParseDecimal(kept)) return HeldAsFloat(*value);
  // A well-formed number that still does not convert is beyond the range of a double.
  if (IsPlainNumber(kept)) {
    return kept.front() == '-' ? -std::numeric_limits<float>::infinity()
                               : std::numeric_limits<float>::infinity();
  }
  screen::Tell(op, screen::msg::kInvalidString, {text});
  return 0.0F;
}

float SetupValidation::ParseEntry(std::string_view text) {
  return setup::ParseEntry(text, context_.Operator);
}

void SetupValidation::Reject(const screen::MessageEntry& message) {
  context_.State.SetupValid = false;
  Warn(message);
}

void SetupValidation::Warn(const screen::MessageEntry& message) {
  screen::Tell(context_.Operator, message);
}

void SetupValidation::ValidateDwell() {
  const float dwell = ParseEntry(context_.Screen.setup.dwell.text);
  const auto seconds = dwell > 0.0F ? WholeSeconds(dwell) : std::nullopt;
  if (seconds) {
    context_.Setup.DwellTime = *seconds;
    return;
  }
  Warn(screen::msg::kInvalidDwell);
  RefreshSetupDisplay();
}

void SetupValidation::ValidateStepAndField() {
  TestSetup& setup = context_.Setup;
  const screen::SetupPanel& panel = context_.Screen.setup;
  const float step = ParseEntry(panel.step.text);
  if (step > kLowestStep && step < kHighestStep) {
    setup.StepPercent = step;
  } else {
    Reject(screen::msg::kInvalidStep);
  }
  const float field = ParseEntry(panel.field.text);
  if (field > 0.0F && field < context_.Cell.MaxField) {
    if (IsStandardMode(setup.TestMode) || IsCustomMode(setup.TestMode)) {
      context_.Run.LevelSetPoint =
          calib::CellDrive(context_.Cell, setup.EndFrequency, setup.CurrentFrequency, field,
                           context_.Results, context_.Screen, context_.Operator);
      setup.FieldStrength = field;
    }
  } else {
    Reject(screen::msg::kInvalidField);
  }
}

void SetupValidation::RangeFrom(uint32_t first_hz, uint32_t last_hz) {
  uint8_t range = 0;
  if (first_hz >= kOneGigahertz) {
    range = 1;
  } else if (last_hz >= kOneGigahertz) {
    range = 2;
  }
  context_.Setup.RangeChoice = range;
  ShowRange();
}

void SetupValidation::ValidateStandard() {
  if (!ConfirmTestTypeChange()) {
    if (context_.ReloadPreScanSetup) context_.ReloadPreScanSetup();
    return;
  }
  TestSetup& setup = context_.Setup;
  const screen::SetupPanel& panel = context_.Screen.setup;
  context_.State.SetupValid = true;
  ValidateDwell();

  // The scan frequencies are taken as single-precision Hz before they are compared.
  const double start = HeldAsFloat(double{ParseEntry(panel.start.text)} * kHzPerMhz);
  const double end = HeldAsFloat(double{ParseEntry(panel.finish.text)} * kHzPerMhz);
  const double highest = double{context_.Cell.MaxFrequency} * kHzPerMhz;

  const auto start_hz = start > kLowestHz && start <= highest ? WholeHz(start) : std::nullopt;
  if (start_hz) {
    setup.StartFrequency = *start_hz;
  } else {
    Reject(screen::msg::kInvalidStart);
  }
  const auto end_hz = end > setup.StartFrequency && end <= highest ? WholeHz(end) : std::nullopt;
  if (!end_hz) {
    Reject(screen::msg::kInvalidEnd);
  } else if (IsStandardMode(setup.TestMode)) {
    setup.EndFrequency = *end_hz;
  }
  ValidateStepAndField();
  if (setup.EndFrequency <= setup.StartFrequency) {
    Reject(screen::msg::kEndBelowStart);
  }
  UpdateEstimatedTime();
  if (IsStandardMode(setup.TestMode)) RangeFrom(setup.StartFrequency, setup.EndFrequency);
}

void SetupValidation::ValidateSingle() {
  TestSetup& setup = context_.Setup;
  screen::SinglePanel& panel = context_.Screen.single;
  const float max_field = context_.Cell.MaxField;
  context_.State.SetupValid = true;

  const float frequency = ParseEntry(panel.frequency.text);
  const auto frequency_hz = frequency >= kLowestMhz && frequency <= context_.Cell.MaxFrequency
                                ? WholeHz(double{frequency} * kHzPerMhz)
                                : std::nullopt;
  if (frequency_hz) {
    setup.CurrentFrequency = *frequency_hz;
  } else {
    Reject(screen::msg::kInvalidSingleFrequency);
  }

  if (panel.auto_increase.checked) {
    const float start = ParseEntry(panel.start_level.text);
    if (start > 0.0F && start <= max_field) {
      setup.StartLevel = start;
    } else {
      Reject(screen::msg::kInvalidStartLevel);
    }
    const float end = ParseEntry(panel.end_level.text);
    if (end <= max_field && end > setup.StartLevel) {
      setup.EndLevel = end;
    } else {
      Reject(screen::msg::kInvalidEndLevel);
    }
    const float step = ParseEntry(panel.step_size.text);
    if (step >= 0.0F && step <= max_field) {
      setup.LevelStep = step;
    } else {
      Reject(screen::msg::kInvalidLevelStep);
    }
    setup.AutoIncrease = true;
    const float dwell = ParseEntry(panel.dwell.text);
    const auto seconds = dwell >= 0.0F ? WholeSeconds(dwell) : std::nullopt;
    if (seconds) {
      setup.SingleDwell = *seconds;
    } else {
      Reject(screen::msg::kInvalidSingleDwell);
    }
  } else {
    setup.AutoIncrease = false;
    setup.SingleDwell = kUncheckedSingleDwell;
  }

  // A ramp drives frequency and level itself: the hand controls are locked meanwhile.
  panel.step_buttons_enabled = !setup.AutoIncrease;
  panel.frequency.enabled = !setup.AutoIncrease;
  panel.level.enabled = !setup.AutoIncrease;
  if (setup.AutoIncrease) {
    setup.SingleLevel = setup.StartLevel;
    return;
  }
  const float level = ParseEntry(panel.level.text);
  if (level > 0.0F && level <= max_field) {
    context_.State.NotCalibratedWarned = false;
    setup.SingleLevel = level;
  } else if (level == 0.0F) {
    if (!context_.State.NotCalibratedWarned) Warn(screen::msg::kNotCalibratedAtLevel);
    setup.SingleLevel = 0.0F;
    context_.State.NotCalibratedWarned = true;
  } else {
    Reject(screen::msg::kInvalidLevel);
  }
}

void SetupValidation::ValidateCustom() {
  if (!ConfirmTestTypeChange()) {
    if (context_.ReloadPreScanSetup) context_.ReloadPreScanSetup();
    return;
  }
  TestSetup& setup = context_.Setup;
  ValidationState& state = context_.State;
  const auto& cells = context_.Screen.setup.custom.cells;
  state.SetupValid = true;
  ValidateDwell();
  ValidateStepAndField();

  bool bad = false;
  for (std::size_t r = 0; r < kCustomRows; ++r) {
    CustomRow& row = setup.CustomList[r];
    const auto& cell = cells[r + 1];
    if (IsBlankCell(cell[0])) {
      row = CustomRow{};
    } else {
      const float frequency = ParseEntry(cell[0]);
      const auto frequency_hz = frequency > kLowestMhz && frequency < context_.Cell.MaxFrequency
                                    ? WholeHz(double{frequency} * kHzPerMhz)
                                    : std::nullopt;
      if (frequency_hz) {
        row.Frequency = *frequency_hz;
      } else {
        bad = true;
      }
      const float level = ParseEntry(cell[1]);
      if (level >= 0.0F && level < context_.Cell.MaxField) {
        row.Level = level;
      } else {
        bad = true;
      }
      state.CustomLastFrequency = row.Frequency;
      state.CustomFirstFrequency = setup.CustomList[0].Frequency;
      if (r >= 1 && setup.CustomList[r - 1].Frequency > row.Frequency) bad = true;
    }
    state.Profile.Points[r] = ProfilePoint{row.Frequency, row.Level};
  }
  // The grid's own faults leave the run allowed: the operator sees the rows as stored.
  if (bad) Warn(screen::msg::kInvalidData);
  if (IsCustomMode(setup.TestMode)) RangeFrom(state.CustomFirstFrequency, state.CustomLastFrequency);
  RefreshSetupDisplay();
}

void SetupValidation::ValidateByMode() {
  const uint8_t mode = context_.Setup.TestMode;
  if (IsStandardMode(mode)) {
    ValidateStandard();
  } else if (mode == kSingle) {
    ValidateSingle();
  } else if (IsCustomMode(mode)) {
    ValidateCustom();
  }
  RefreshSetupDisplay();
}

void SetupValidation::RefreshSetupDisplay() {
  const TestSetup& setup = context_.Setup;
  screen::Screen& screen = context_.Screen;
  screen::SinglePanel& single = screen.single;

  single.auto_increase.checked = setup.AutoIncrease;
  const bool ramp = single.auto_increase.checked;
  single.stop_on_eut_fault.enabled = ramp;
  single.start_level.enabled = ramp;
  single.end_level.enabled = ramp;
  single.step_size.enabled = ramp;
  single.dwell.enabled = ramp;
  UpdateEstimatedTime();

  screen.setup.start.text = Mhz(setup.StartFrequency, 2);
  screen.setup.finish.text = Mhz(setup.EndFrequency, 2);
  screen.setup.step.text = FormatFixed(setup.StepPercent, 0, 1);
  screen.setup.field.text = FormatFixed(setup.FieldStrength, 0, 1);
  screen.setup.dwell.text = FormatWhole(setup.DwellTime);
  single.frequency.text = Mhz(setup.CurrentFrequency, 2);
  single.level.text = FormatFixed(setup.SingleLevel, 0, 1);
  single.start_level.text = FormatFixed(setup.StartLevel, 0, 2);
  single.end_level.text = FormatFixed(setup.EndLevel, 0, 2);
  single.step_size.text = FormatFixed(setup.LevelStep, 0, 2);
  single.dwell.text = FormatWhole(setup.SingleDwell);

  ShowModulation(setup, screen);
  screen.setup.eut_status.index = ChoiceIndexOf(setup.EutStatusMode, kEutModeItems);
  screen.setup.eut_prompt.index = ChoiceIndexOf(setup.EutPromptMode, kEutModeItems);
  ShowRange();

  auto& cells = screen.setup.custom.cells;
  for (std::size_t r = 0; r < kCustomRows; ++r) {
    const CustomRow& row = setup.CustomList[r];
    if (row.Frequency == 0) continue;
    cells[r + 1][0] = Mhz(row.Frequency, 3);
    cells[r + 1][1] = FormatFixed(row.Level, 0, 1);
  }
  ++screen.repaints;
}

void SetupValidation::UpdateEstimatedTime() {
  TestSetup& setup = context_.Setup;
  setup.EstimatedTime = 0;
  bool count = false;
  if (IsStandardMode(setup.TestMode)) {
    context_.State.Profile.Points[0] = ProfilePoint{setup.StartFrequency, setup.FieldStrength};
    context_.State.Profile.Points[1] = ProfilePoint{setup.EndFrequency, setup.FieldStrength};
    count = true;
  } else if (IsCustomMode(setup.TestMode)) {
    // The estimate of a custom scan counts the standard start and finish.
    count = setup.StartFrequency > 0 && setup.EndFrequency > 0;
  }
  if (count) {
    int64_t points = 1;
    double frequency = setup.StartFrequency;
    do {
      frequency += frequency * setup.StepPercent / 100.0;
      ++points;
    } while (!(frequency > setup.EndFrequency || points > kMostEstimatedPoints));
    const int64_t seconds = (int64_t{setup.DwellTime} + 5) * points + 5;
    setup.EstimatedTime =
        static_cast<int32_t>(std::min<int64_t>(seconds, std::numeric_limits<int32_t>::max()));
  }
  context_.Screen.setup.estimated_time.text =
      engine::FormatElapsed(static_cast<uint64_t>(setup.EstimatedTime));
}

double SetupValidation::TargetLevelAt(uint32_t frequency_hz) {
  return setup::TargetLevelAt(context_.State.Profile, frequency_hz, context_.Screen);
}

bool SetupValidation::ConfirmTestTypeChange() {
  if (!context_.PreScan.Available || context_.Run.Running) return true;
  if (!screen::Ask(context_.Operator, screen::msg::kTestTypeQuestion)) return false;
  context_.Screen.plot_prescan_visible = false;
  // Setting the choice to "Normal" does what choosing it does: the mode drops its
  // pre-scanned part, so that a run without the pre-scan can start.
  TestSetup& setup = context_.Setup;
  if (setup.TestMode > kPreScanOffset) setup.TestMode -= kPreScanOffset;
  context_.Screen.setup.test_type.index = 0;
  ShowModeLabel(setup, context_.Screen);
  context_.Screen.setup.test_type.enabled = false;
  context_.PreScan.Available = false;
  return true;
}

void SetupValidation::ShowRange() {
  context_.Screen.setup.range.index = ChoiceIndexOf(context_.Setup.RangeChoice, kRangeItems);
}

}  // namespace tarvos::setup
