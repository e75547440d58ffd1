#include "setup/validation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "calib/cell_table.h"
#include "engine/result_store.h"
#include "engine/run_state.h"
#include "platform/scripted_operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::setup {
namespace {

using platform::MessageKind;
using platform::ScriptedOperator;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kQuestion =
    "Changing Test Type will Disable Pre Scan Settings. Continue with Changes ?";

// The example cell: rows at 30, 100 and 1000 MHz, range 1 (MaxField 15).
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

class ValidationTest : public ::testing::Test {
 protected:
  ValidationTest() {
    setup.TestMode = kStandard;
    validation.RefreshSetupDisplay();
  }

  void Standard(std::string start, std::string finish, std::string step = "1",
                std::string field = "1", std::string dwell = "1") {
    screen.setup.start.text = std::move(start);
    screen.setup.finish.text = std::move(finish);
    screen.setup.step.text = std::move(step);
    screen.setup.field.text = std::move(field);
    screen.setup.dwell.text = std::move(dwell);
  }
  void Row(int row, std::string frequency, std::string level) {
    screen.setup.custom.cells[row] = {std::move(frequency), std::move(level)};
  }
  std::vector<std::string> Warnings() const { return op.TextsOf(MessageKind::Warning); }

  TestSetup setup;
  ValidationState state;
  screen::Screen screen;
  ScriptedOperator op;
  calib::CellTable cell = ExampleCell();
  engine::ResultStore results;
  engine::PreScanTable prescan;
  engine::RunState run;
  int reloads = 0;
  SetupValidation validation{SetupValidationContext{setup, state, screen, op, cell, results,
                                                    prescan, run, [this] { ++reloads; }}};
};

TEST_F(ValidationTest, ParseEntryKeepsOnlySignsPointsAndDigits) {
  EXPECT_EQ(validation.ParseEntry("80 MHz"), 80.0F);
  EXPECT_EQ(validation.ParseEntry(" -1.5 V/m"), -1.5F);
  EXPECT_EQ(validation.ParseEntry("1e30"), 130.0F);
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(validation.ParseEntry("abc"), 0.0F);
  EXPECT_EQ(validation.ParseEntry("1.2.3"), 0.0F);
  EXPECT_THAT(Warnings(), ElementsAre("Invalid String : \"abc\"", "Invalid String : \"1.2.3\""));
}

TEST_F(ValidationTest, ParseEntryHandlesLongTextsWhole) {
  const std::string padded = std::string(300, ' ') + "5" + std::string(300, 'x');
  EXPECT_EQ(validation.ParseEntry(padded), 5.0F);
  const std::string letters(400, 'q');
  EXPECT_EQ(validation.ParseEntry(letters), 0.0F);
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings()[0], "Invalid String : \"" + letters + "\"");
  // Beyond the range of a double: an infinity for the range tests, not a string error.
  EXPECT_EQ(validation.ParseEntry(std::string(400, '9')), std::numeric_limits<float>::infinity());
  EXPECT_EQ(validation.ParseEntry("-" + std::string(400, '9')),
            -std::numeric_limits<float>::infinity());
  EXPECT_EQ(validation.ParseEntry("0." + std::string(400, '0') + "1"), 0.0F);
  EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(ValidationTest, StandardScanStoresGoodValuesAndItsLevelSetPoint) {
  setup.CurrentFrequency = 200'000'000;
  Standard("80 MHz", "1000", "0.5", "5", "3");
  validation.ValidateStandard();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_TRUE(state.SetupValid);
  EXPECT_EQ(setup.StartFrequency, 80'000'000u);
  EXPECT_EQ(setup.EndFrequency, 1'000'000'000u);
  EXPECT_EQ(setup.StepPercent, 0.5F);
  EXPECT_EQ(setup.FieldStrength, 5.0F);
  EXPECT_EQ(setup.DwellTime, 3u);
  EXPECT_EQ(run.LevelSetPoint, 19981);  // the cell's lookup at 200 MHz, 5 V/m
  EXPECT_EQ(setup.RangeChoice, 2);      // the finish reaches 1 GHz
  EXPECT_EQ(state.Profile.Points[0].Frequency, 80'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Frequency, 1'000'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Level, 5.0F);
}

TEST_F(ValidationTest, FrequenciesAt29Point9AreRejectedEverywhere) {
  Standard("29.9", "200");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Start Frequency"));
  EXPECT_FALSE(state.SetupValid);
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);

  op.ClearHistory();
  Standard("29.91", "200");
  validation.ValidateStandard();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(setup.StartFrequency, 29'910'000u);

  setup.TestMode = kSingle;
  screen.single.frequency.text = "29.9";
  screen.single.level.text = "1";
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Single Frequency"));
  EXPECT_EQ(setup.CurrentFrequency, 10'000'000u);
  op.ClearHistory();
  screen.single.frequency.text = "29.91";
  validation.ValidateSingle();
  EXPECT_EQ(setup.CurrentFrequency, 29'910'000u);

  op.ClearHistory();
  setup.TestMode = kCustom;
  Row(1, "29.9", "3");
  validation.ValidateCustom();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Data. Please Correct"));
  EXPECT_EQ(setup.CustomList[0].Frequency, 0u);
  op.ClearHistory();
  Row(1, "29.91", "3");
  validation.ValidateCustom();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(setup.CustomList[0].Frequency, 29'910'000u);
}

TEST_F(ValidationTest, MaxFrequencyIsBeyondACustomRowButASingleFrequencyMayUseIt) {
  setup.TestMode = kCustom;
  Row(1, "100", "3");
  Row(2, "1000.1", "3");
  validation.ValidateCustom();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Data. Please Correct"));
  EXPECT_EQ(setup.CustomList[1].Frequency, 0u);
  EXPECT_EQ(setup.CustomList[1].Level, 3.0F);  // the level passed and is stored

  op.ClearHistory();
  setup.TestMode = kSingle;
  screen.single.frequency.text = "1000.1";
  screen.single.level.text = "1";
  validation.ValidateSingle();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(setup.CurrentFrequency, 1'000'099'976u);  // 1000.1 as a float, in whole Hz
}

TEST_F(ValidationTest, FieldMustStayBelowMaxFieldButASingleLevelMayReachIt) {
  Standard("100", "200", "1", "15");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Field Strength"));
  EXPECT_FALSE(state.SetupValid);
  EXPECT_EQ(setup.FieldStrength, 1.0F);
  op.ClearHistory();
  Standard("100", "200", "1", "14.9");
  validation.ValidateStandard();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(setup.FieldStrength, 14.9F);

  setup.TestMode = kSingle;
  screen.single.frequency.text = "100";
  screen.single.level.text = "15";
  validation.ValidateSingle();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_EQ(setup.SingleLevel, 15.0F);
  screen.single.level.text = "15.1";
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Level"));
  EXPECT_EQ(setup.SingleLevel, 15.0F);
}

TEST_F(ValidationTest, StepLiesStrictlyBetweenAQuarterAndThirtyPercent) {
  for (const char* bad : {"0.25", "30", "0", "-1"}) {
    op.ClearHistory();
    Standard("100", "200", bad);
    validation.ValidateStandard();
    EXPECT_THAT(Warnings(), ElementsAre("Invalid Step Size ")) << bad;
    EXPECT_EQ(setup.StepPercent, 1.0F) << bad;
  }
  for (const char* good : {"0.26", "29.9"}) {
    op.ClearHistory();
    Standard("100", "200", good);
    validation.ValidateStandard();
    EXPECT_THAT(op.Texts(), IsEmpty()) << good;
    EXPECT_EQ(setup.StepPercent, validation.ParseEntry(good)) << good;
  }
}

TEST_F(ValidationTest, LettersOnlyWarnAboutTheStringThenTheField) {
  Standard("abc", "200");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid String : \"abc\"", "Invalid Start Frequency"));
}

TEST_F(ValidationTest, FinishIsComparedWithTheHeldStart) {
  Standard("100", "50");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid End Frequency"));
  EXPECT_EQ(setup.EndFrequency, 200'000'000u);

  // A new start above the held finish: both messages, the start is stored.
  op.ClearHistory();
  Standard("500", "150");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(),
              ElementsAre("Invalid End Frequency", "End Frequency Less than Start Frequency !"));
  EXPECT_EQ(setup.StartFrequency, 500'000'000u);
  EXPECT_EQ(setup.EndFrequency, 200'000'000u);
  EXPECT_FALSE(state.SetupValid);
}

TEST_F(ValidationTest, CustomScanValidationDoesNotStoreTheStandardFinishOrField) {
  setup.TestMode = kSingle;
  Standard("150", "300", "1", "5");
  validation.ValidateStandard();
  EXPECT_EQ(setup.StartFrequency, 150'000'000u);
  EXPECT_EQ(setup.EndFrequency, 200'000'000u);  // only standard modes take the finish
  EXPECT_EQ(setup.FieldStrength, 1.0F);         // nor a field outside the scan modes
  EXPECT_EQ(run.LevelSetPoint, 0);
}

TEST_F(ValidationTest, RangeFollowsTheScanFrequencies) {
  cell.MaxFrequency = 2400.1F;
  Standard("500", "2000");
  validation.ValidateStandard();
  EXPECT_EQ(setup.RangeChoice, 2);
  EXPECT_EQ(screen.setup.range.index, 2);
  Standard("1000", "2000");
  validation.ValidateStandard();
  EXPECT_EQ(setup.RangeChoice, 1);
  Standard("100", "999.99");
  validation.ValidateStandard();
  EXPECT_EQ(setup.RangeChoice, 0);
  EXPECT_EQ(screen.setup.range.index, 0);
}

TEST_F(ValidationTest, EstimatedTimeCountsTheUnroundedSteps) {
  Standard("100", "110", "5", "1", "10");
  validation.ValidateStandard();
  EXPECT_EQ(setup.EstimatedTime, 50);
  EXPECT_EQ(screen.setup.estimated_time.text, "00:00:50");

  Standard("30", "1000", "0.26", "1", "1");
  validation.ValidateStandard();
  EXPECT_EQ(setup.EstimatedTime, (1 + 5) * 1001 + 5);
  EXPECT_EQ(screen.setup.estimated_time.text, "01:40:11");
}

TEST_F(ValidationTest, EstimatedTimeSaturatesInsteadOfOverflowing) {
  Standard("30", "1000", "0.26", "1", "4294967040");  // the largest float below 2^32
  validation.ValidateStandard();
  EXPECT_EQ(setup.DwellTime, 4294967040u);
  EXPECT_EQ(setup.EstimatedTime, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(screen.setup.estimated_time.text, "596523:14:07");
}

TEST_F(ValidationTest, EstimatedTimeOfOtherModes) {
  state.Profile = LevelProfile{};
  setup.TestMode = kCustom;
  setup.StartFrequency = 100'000'000;
  setup.EndFrequency = 110'000'000;
  setup.StepPercent = 5.0F;
  setup.DwellTime = 10;
  validation.UpdateEstimatedTime();
  EXPECT_EQ(setup.EstimatedTime, 50);
  EXPECT_EQ(state.Profile.Points[0].Frequency, 0u);  // the profile is the custom rows'
  setup.StartFrequency = 0;
  validation.UpdateEstimatedTime();
  EXPECT_EQ(setup.EstimatedTime, 0);
  setup.TestMode = kSingle;
  setup.StartFrequency = 100'000'000;
  validation.UpdateEstimatedTime();
  EXPECT_EQ(screen.setup.estimated_time.text, "00:00:00");
}

TEST_F(ValidationTest, DwellIsRoundedToEvenAndRefusedAtZeroOrBeyondTheRecord) {
  Standard("100", "200", "1", "1", "2.5");
  validation.ValidateStandard();
  EXPECT_EQ(setup.DwellTime, 2u);
  screen.setup.dwell.text = "0.4";
  validation.ValidateDwell();
  EXPECT_EQ(setup.DwellTime, 0u);
  EXPECT_THAT(op.Texts(), IsEmpty());

  setup.DwellTime = 7;
  for (const std::string bad : {"0", "-3", "1000000000000000000000000000000"}) {
    op.ClearHistory();
    state.SetupValid = true;
    screen.setup.dwell.text = bad;
    screen.setup.start.text = "123";  // an edit not yet validated is put back too
    validation.ValidateDwell();
    EXPECT_THAT(Warnings(), ElementsAre("Invalid Dwell Time")) << bad;
    EXPECT_TRUE(state.SetupValid);
    EXPECT_EQ(setup.DwellTime, 7u);
    EXPECT_EQ(screen.setup.dwell.text, "7");
    EXPECT_EQ(screen.setup.start.text, "100.00");
  }
}

TEST_F(ValidationTest, FrequenciesBeyond32BitsAreRefusedWithTheFieldsMessage) {
  cell.MaxFrequency = 10000.0F;
  Standard("5000", "6000");
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Start Frequency", "Invalid End Frequency"));
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);
  EXPECT_EQ(setup.EndFrequency, 200'000'000u);

  op.ClearHistory();
  setup.TestMode = kSingle;
  screen.single.frequency.text = "5000";
  screen.single.level.text = "1";
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Single Frequency"));

  op.ClearHistory();
  setup.TestMode = kCustom;
  Row(1, "5000", "1");
  validation.ValidateCustom();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Data. Please Correct"));
  EXPECT_EQ(setup.CustomList[0].Frequency, 0u);
}

TEST_F(ValidationTest, InfiniteLevelsAreRefusedWithTheFieldsMessage) {
  const std::string huge(60, '9');
  Standard("100", "200", "1", huge);
  validation.ValidateStandard();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Field Strength"));
  EXPECT_EQ(setup.FieldStrength, 1.0F);

  op.ClearHistory();
  setup.TestMode = kSingle;
  screen.single.frequency.text = "100";
  screen.single.level.text = huge;
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Level"));
  EXPECT_EQ(setup.SingleLevel, 1.0F);

  op.ClearHistory();
  screen.single.auto_increase.checked = true;
  screen.single.start_level.text = "1";
  screen.single.end_level.text = huge;
  screen.single.step_size.text = huge;
  screen.single.dwell.text = huge;
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(),
              ElementsAre("Invalid End Level", "Invalid Step Size", "Invalid Single Dwell Time "));
  EXPECT_EQ(setup.EndLevel, 10.0F);
  EXPECT_EQ(setup.SingleDwell, 5u);
}

TEST_F(ValidationTest, SingleLevelZeroWarnsOnceUntilAValidLevelReArmsIt) {
  setup.TestMode = kSingle;
  screen.single.frequency.text = "100";
  screen.single.level.text = "0";
  validation.ValidateSingle();
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Tarvos Not Calibrated at this Level"));
  EXPECT_TRUE(state.SetupValid);
  EXPECT_EQ(setup.SingleLevel, 0.0F);
  EXPECT_TRUE(state.NotCalibratedWarned);

  screen.single.level.text = "2";
  validation.ValidateSingle();
  EXPECT_FALSE(state.NotCalibratedWarned);
  screen.single.level.text = "0";
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Tarvos Not Calibrated at this Level",
                                      "Tarvos Not Calibrated at this Level"));
}

TEST_F(ValidationTest, SingleWithAutoIncreaseReadsTheRampAndLocksTheHandControls) {
  setup.TestMode = kSingle;
  screen.single.frequency.text = "100";
  screen.single.auto_increase.checked = true;
  screen.single.start_level.text = "2";
  screen.single.end_level.text = "8";
  screen.single.step_size.text = "0.5";
  screen.single.dwell.text = "3";
  validation.ValidateByMode();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_TRUE(setup.AutoIncrease);
  EXPECT_EQ(setup.StartLevel, 2.0F);
  EXPECT_EQ(setup.EndLevel, 8.0F);
  EXPECT_EQ(setup.LevelStep, 0.5F);
  EXPECT_EQ(setup.SingleDwell, 3u);
  EXPECT_EQ(setup.SingleLevel, 2.0F);
  EXPECT_FALSE(screen.single.step_buttons_enabled);
  EXPECT_FALSE(screen.single.frequency.enabled);
  EXPECT_FALSE(screen.single.level.enabled);
  EXPECT_TRUE(screen.single.stop_on_eut_fault.enabled);
  EXPECT_TRUE(screen.single.end_level.enabled);
  EXPECT_EQ(screen.single.level.text, "2.0");
  EXPECT_EQ(screen.single.step_size.text, "0.50");

  // An end level at or below the start level is refused.
  screen.single.end_level.text = "2";
  validation.ValidateSingle();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid End Level"));

  op.ClearHistory();
  screen.single.auto_increase.checked = false;
  screen.single.level.text = "4";
  validation.ValidateByMode();
  EXPECT_FALSE(setup.AutoIncrease);
  EXPECT_EQ(setup.SingleDwell, 5u);
  EXPECT_EQ(setup.SingleLevel, 4.0F);
  EXPECT_TRUE(screen.single.step_buttons_enabled);
  EXPECT_TRUE(screen.single.level.enabled);
  EXPECT_FALSE(screen.single.stop_on_eut_fault.enabled);
  EXPECT_FALSE(screen.single.dwell.enabled);
}

struct MessageCase {
  const char* Message;
  bool ClearsValid;
};

// Each message of the validations, and whether it takes the run's permission away.
TEST_F(ValidationTest, WhichMessagesClearSetupValid) {
  const auto single = [this](const char* frequency, const char* start, const char* end,
                             const char* step, const char* dwell, const char* level) {
    setup.TestMode = kSingle;
    screen.single.frequency.text = frequency;
    screen.single.auto_increase.checked = start != nullptr;
    if (start != nullptr) {
      screen.single.start_level.text = start;
      screen.single.end_level.text = end;
      screen.single.step_size.text = step;
      screen.single.dwell.text = dwell;
    }
    screen.single.level.text = level;
    validation.ValidateSingle();
  };
  const auto standard = [this](const char* start, const char* finish, const char* step,
                               const char* field, const char* dwell) {
    setup = TestSetup{};
    setup.TestMode = kStandard;
    Standard(start, finish, step, field, dwell);
    validation.ValidateStandard();
  };
  struct Case {
    std::function<void()> Run;
    std::vector<std::string> Messages;
    bool Valid;
  };
  const std::vector<Case> cases = {
      {[&] { standard("10", "200", "1", "1", "1"); }, {"Invalid Start Frequency"}, false},
      {[&] { standard("100", "2000", "1", "1", "1"); }, {"Invalid End Frequency"}, false},
      {[&] { standard("100", "200", "40", "1", "1"); }, {"Invalid Step Size "}, false},
      {[&] { standard("100", "200", "1", "0", "1"); }, {"Invalid Field Strength"}, false},
      {[&] { standard("100", "200", "1", "1", "0"); }, {"Invalid Dwell Time"}, true},
      {[&] { standard("100", "200", "1", "1", "x"); },
       {"Invalid String : \"x\"", "Invalid Dwell Time"},
       true},
      {[&] { single("10", nullptr, "", "", "", "1"); }, {"Invalid Single Frequency"}, false},
      {[&] { single("100", "0", "5", "1", "1", ""); }, {"Invalid Start Level"}, false},
      {[&] { single("100", "1", "16", "1", "1", ""); }, {"Invalid End Level"}, false},
      {[&] { single("100", "1", "5", "-1", "1", ""); }, {"Invalid Step Size"}, false},
      {[&] { single("100", "1", "5", "1", "-1", ""); }, {"Invalid Single Dwell Time "}, false},
      {[&] { single("100", nullptr, "", "", "", "-1"); }, {"Invalid Level"}, false},
      {[&] { single("100", nullptr, "", "", "", "0"); },
       {"Tarvos Not Calibrated at this Level"},
       true},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    op.ClearHistory();
    state.NotCalibratedWarned = false;
    cases[i].Run();
    EXPECT_EQ(Warnings(), cases[i].Messages) << "case " << i;
    EXPECT_EQ(state.SetupValid, cases[i].Valid) << "case " << i;
  }
}

TEST_F(ValidationTest, ARejectedValueIsShownAgainAsTheHeldValue) {
  Standard("abc", "2000", "40", "20", "1");
  validation.ValidateByMode();
  EXPECT_EQ(screen.setup.start.text, "100.00");
  EXPECT_EQ(screen.setup.finish.text, "200.00");
  EXPECT_EQ(screen.setup.step.text, "1.0");
  EXPECT_EQ(screen.setup.field.text, "1.0");
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);
  EXPECT_EQ(setup.EndFrequency, 200'000'000u);
}

TEST_F(ValidationTest, CustomRowsFillTheProfileAndTheScanBounds) {
  setup.TestMode = kPreScanCustom;
  cell.MaxFrequency = 2400.1F;
  Row(1, "100", "3");
  Row(2, "1500", "10");
  Row(3, " ", "7");  // blank: an empty row, its level not read
  setup.CustomList[2] = {300'000'000, 2.0F};
  Standard("100", "200", "1", "1", "1");
  validation.ValidateCustom();
  EXPECT_THAT(op.Texts(), IsEmpty());
  EXPECT_TRUE(state.SetupValid);
  EXPECT_EQ(setup.CustomList[0].Frequency, 100'000'000u);
  EXPECT_EQ(setup.CustomList[1].Level, 10.0F);
  EXPECT_EQ(setup.CustomList[2].Frequency, 0u);
  EXPECT_EQ(setup.CustomList[2].Level, 0.0F);
  EXPECT_EQ(state.CustomFirstFrequency, 100'000'000u);
  EXPECT_EQ(state.CustomLastFrequency, 1'500'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Frequency, 1'500'000'000u);
  EXPECT_EQ(state.Profile.Points[1].Level, 10.0F);
  EXPECT_EQ(setup.RangeChoice, 2);
  EXPECT_EQ(screen.setup.custom.cells[1][0], "100.000");
  EXPECT_EQ(screen.setup.custom.cells[2][1], "10.0");
  EXPECT_EQ(screen.setup.custom.cells[3][1], "7");  // empty rows are left as they stand
}

TEST_F(ValidationTest, ADescendingRowIsStoredWithAWarningAndTheRunStaysAllowed) {
  setup.TestMode = kCustom;
  Row(1, "500", "3");
  Row(2, "200", "4");
  Row(3, "600", "20");  // level beyond MaxField: frequency stored, level kept
  setup.CustomList[2].Level = 1.5F;
  validation.ValidateCustom();
  EXPECT_THAT(Warnings(), ElementsAre("Invalid Data. Please Correct"));
  EXPECT_TRUE(state.SetupValid);
  EXPECT_EQ(setup.CustomList[1].Frequency, 200'000'000u);
  EXPECT_EQ(setup.CustomList[2].Frequency, 600'000'000u);
  EXPECT_EQ(setup.CustomList[2].Level, 1.5F);
  EXPECT_EQ(state.CustomLastFrequency, 600'000'000u);
}

TEST_F(ValidationTest, TargetLevelAtInterpolatesInLogFrequency) {
  setup.TestMode = kCustom;
  Row(1, "100", "3");
  Row(2, "1000", "10");
  validation.ValidateCustom();
  EXPECT_NEAR(validation.TargetLevelAt(316'227'766), 6.5, 1e-6);
  EXPECT_EQ(screen.monitor.target, "6.50");
  EXPECT_DOUBLE_EQ(validation.TargetLevelAt(50'000'000), 3.0);
  EXPECT_EQ(screen.monitor.target, "3.00");
  EXPECT_DOUBLE_EQ(validation.TargetLevelAt(1'000'000'000), 10.0);
  // Beyond the last row: the empty points that follow give 0.
  EXPECT_EQ(validation.TargetLevelAt(1'500'000'000), 0.0);
  EXPECT_EQ(screen.monitor.target, "0.00");
}

TEST(LevelAt, EdgesOfTheProfile) {
  LevelProfile profile;
  EXPECT_EQ(LevelAt(profile, 0), 0.0);
  EXPECT_EQ(LevelAt(profile, 100), 0.0);
  // A gap: a point of frequency 0 between filled points.
  profile.Points[0] = {100'000'000, 3.0F};
  profile.Points[2] = {300'000'000, 5.0F};
  EXPECT_EQ(LevelAt(profile, 200'000'000), 0.0);
  EXPECT_EQ(LevelAt(profile, 300'000'000), 0.0);
  // All 30 points used and the frequency beyond them: the last two extrapolate.
  for (std::size_t i = 0; i < kProfilePointsUsed; ++i) {
    profile.Points[i] = {static_cast<uint32_t>(100'000'000 * (i + 1)), static_cast<float>(i)};
  }
  EXPECT_NEAR(LevelAt(profile, 3'100'000'000u),
              28.0 + std::log(31.0 / 29.0) / std::log(30.0 / 29.0), 1e-9);
  // The last two at one frequency: the upper point's level, no division by zero.
  profile.Points[29] = {2'900'000'000u, 42.0F};
  EXPECT_EQ(LevelAt(profile, 3'000'000'000u), 42.0);
  EXPECT_EQ(LevelAt(profile, 50'000'000), 0.0F);  // at or below point 1: its level
}

TEST_F(ValidationTest, ConfirmTestTypeChangeAsksOnlyWhenAPreScanWouldBeLost) {
  EXPECT_TRUE(validation.ConfirmTestTypeChange());
  prescan.Available = true;
  run.Running = true;
  EXPECT_TRUE(validation.ConfirmTestTypeChange());
  EXPECT_THAT(op.Texts(), IsEmpty());

  run.Running = false;
  screen.plot_prescan_visible = true;
  screen.setup.test_type = {1, true};
  op.QueueAnswer(false);
  EXPECT_FALSE(validation.ConfirmTestTypeChange());
  EXPECT_TRUE(prescan.Available);
  EXPECT_TRUE(screen.plot_prescan_visible);
  ASSERT_EQ(op.History().size(), 1u);
  EXPECT_EQ(op.History()[0].Type, ScriptedOperator::Dialog::Question);
  EXPECT_EQ(op.History()[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(op.History()[0].Text, kQuestion);

  op.QueueAnswer(true);
  EXPECT_TRUE(validation.ConfirmTestTypeChange());
  EXPECT_FALSE(prescan.Available);
  EXPECT_FALSE(screen.plot_prescan_visible);
  EXPECT_EQ(screen.setup.test_type.index, 0);
  EXPECT_FALSE(screen.setup.test_type.enabled);
}

TEST_F(ValidationTest, KeepingThePreScanReloadsItsSetupInsteadOfValidating) {
  prescan.Available = true;
  setup.TestMode = kPreScanStandard;
  Standard("300", "400");
  op.QueueAnswer(false);
  validation.ValidateStandard();
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);
  setup.TestMode = kPreScanCustom;
  Row(1, "300", "1");
  op.QueueAnswer(false);
  validation.ValidateCustom();
  EXPECT_EQ(reloads, 2);
  EXPECT_EQ(setup.CustomList[0].Frequency, 0u);
  EXPECT_TRUE(prescan.Available);

  op.QueueAnswer(true);
  validation.ValidateCustom();
  EXPECT_EQ(reloads, 2);
  EXPECT_EQ(setup.CustomList[0].Frequency, 300'000'000u);
  EXPECT_FALSE(prescan.Available);
}

TEST_F(ValidationTest, ValidateByModeRunsTheModesValidation) {
  Standard("300", "400");
  screen.single.frequency.text = "150";
  screen.single.level.text = "1";
  setup.TestMode = kPreScanSingle;  // validates nothing
  validation.ValidateByMode();
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);
  EXPECT_EQ(screen.setup.start.text, "100.00");
  const unsigned repaints = screen.repaints;

  screen.single.frequency.text = "150";
  setup.TestMode = kSingle;
  validation.ValidateByMode();
  EXPECT_EQ(setup.CurrentFrequency, 150'000'000u);
  EXPECT_EQ(setup.StartFrequency, 100'000'000u);
  EXPECT_GT(screen.repaints, repaints);

  Standard("300", "400");
  setup.TestMode = kPreScanStandard;
  validation.ValidateByMode();
  EXPECT_EQ(setup.StartFrequency, 300'000'000u);
  EXPECT_EQ(screen.setup.finish.text, "400.00");
}

TEST_F(ValidationTest, RefreshShowsOutOfTableChoicesAsNoSelection) {
  setup.ModulationType = 5;
  setup.EutStatusMode = 200;
  setup.EutPromptMode = 2;
  setup.RangeChoice = 3;
  validation.RefreshSetupDisplay();
  EXPECT_EQ(screen.setup.modulation.index, -1);
  EXPECT_EQ(screen.single.modulation.index, -1);
  EXPECT_EQ(screen.setup.eut_status.index, -1);
  EXPECT_EQ(screen.setup.eut_prompt.index, 2);
  EXPECT_EQ(screen.setup.range.index, -1);
}

}  // namespace
}  // namespace tarvos::setup
