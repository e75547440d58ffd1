#include "calib/cell_drive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/scripted_operator.h"

namespace tarvos::calib {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Row {
  uint32_t Mhz;
  std::array<float, 4> Values;
};

CellTable TableOf(const std::vector<Row>& rows, uint16_t scale = 26214, uint16_t offset = 0) {
  CellTable cell;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    cell.Rows[i].Frequency = rows[i].Mhz * 1'000'000U;
    cell.Rows[i].Values = rows[i].Values;
  }
  cell.RowCount = static_cast<int32_t>(rows.size());
  cell.MaxFrequency = static_cast<float>(rows.back().Mhz + 0.1);
  cell.DriveScale = scale;
  cell.DriveOffset = offset;
  return cell;
}

// The example cell: 30, 100 and 1000 MHz.
CellTable ExampleCell() {
  return TableOf({{30, {0.41F, 0.70F, 0.98F, 1.40F}},
                  {100, {0.45F, 0.75F, 1.05F, 1.50F}},
                  {1000, {0.52F, 0.86F, 1.21F, 1.73F}}});
}

// The same four values at every frequency.
CellTable FlatCell(std::array<float, 4> values, uint16_t scale, uint16_t offset = 0) {
  return TableOf({{30, values}, {1000, values}}, scale, offset);
}

class CellDriveTest : public ::testing::Test {
 protected:
  uint16_t Drive(const CellTable& cell, double mhz, double target, uint32_t end_mhz = 200) {
    return CellDrive(cell, end_mhz * 1'000'000U, static_cast<uint32_t>(std::nearbyint(mhz * 1e6)),
                     target, results, screen, op);
  }

  engine::ResultStore results;
  screen::Screen screen;
  platform::ScriptedOperator op;
};

TEST_F(CellDriveTest, ExampleCellGivesTheWorkedSetPoints) {
  const CellTable cell = ExampleCell();
  EXPECT_EQ(Drive(cell, 200, 5), 19981);
  EXPECT_EQ(screen.diagnostics.cell_drive, "19980.89");
  EXPECT_EQ(Drive(cell, 100, 5), 19660);  // 19660.5, ties to even
  EXPECT_EQ(screen.diagnostics.cell_drive, "19660.50");
  EXPECT_EQ(Drive(cell, 500, 6), 25165);
  EXPECT_EQ(Drive(cell, 1000, 12), 54438);  // above the top level point
  EXPECT_EQ(Drive(cell, 30, 3), 10748);
  EXPECT_THAT(op.History(), IsEmpty());
}

TEST_F(CellDriveTest, RowsBracketTheFrequency) {
  // Distinct values per row show which rows were taken.
  const CellTable cell =
      TableOf({{30, {1, 2, 3, 4}}, {100, {2, 4, 6, 8}}, {1000, {3, 6, 9, 12}}}, 1000);
  EXPECT_EQ(Drive(cell, 100, 5), 4000);  // row 2 exactly, as the top of rows 1 and 2
  EXPECT_EQ(Drive(cell, 30, 5), 2000);   // row 1
  // 20 MHz is looked up at 29.9 MHz, extrapolating rows 1 and 2 downwards.
  EXPECT_EQ(Drive(cell, 20, 5), 1997);  // 2000 - 2000 x 0.1 / 70
  EXPECT_EQ(Drive(cell, 550, 5), 5000);
  // Above the cell's top the setup's end frequency is used instead.
  EXPECT_EQ(Drive(cell, 1000.2, 5, 550), 5000);
  EXPECT_EQ(Drive(cell, 1000.05, 5, 550), 6000);
}

TEST_F(CellDriveTest, TwoRowsExtrapolateAboveTheLastRow) {
  CellTable cell = TableOf({{100, {1, 1, 1, 1}}, {200, {2, 2, 2, 2}}}, 1000);
  cell.MaxFrequency = 400.1F;  // as a setup may ask above the last row
  EXPECT_EQ(Drive(cell, 300, 7), 3000);
}

TEST_F(CellDriveTest, TargetPicksTheLevelSegment) {
  CellTable cell = FlatCell({1, 2, 3, 4}, 1000);
  EXPECT_EQ(Drive(cell, 500, 5), 2000);   // value 2 exactly
  EXPECT_EQ(Drive(cell, 500, 4), 1500);   // halfway between values 1 and 2
  EXPECT_EQ(Drive(cell, 500, 1.5), 500);  // half of value 1: 0 V/m is 0
  EXPECT_EQ(Drive(cell, 500, 12), 4667);  // 3 + 1 x 5/3 along the top segment

  cell.LevelPoints = {0, 3, 7, 12, 20};  // range 2
  EXPECT_EQ(Drive(cell, 500, 20), 4000);
  EXPECT_EQ(Drive(cell, 500, 9.5), 2500);
  cell.LevelPoints = {0, 3, 7, 12, 30};  // range 3
  EXPECT_EQ(Drive(cell, 500, 21), 3500);
}

TEST_F(CellDriveTest, ScaledValueIsClampedAndRoundedToEven) {
  EXPECT_EQ(Drive(FlatCell({0, 0.3F, 0, 0}, 1), 500, 5), 1);
  EXPECT_EQ(screen.diagnostics.cell_drive, "0.30");
  EXPECT_EQ(Drive(FlatCell({0, 10, 0, 0}, 7000), 500, 5), 65535);
  EXPECT_EQ(screen.diagnostics.cell_drive, "70000.00");  // the unclamped value
  EXPECT_EQ(Drive(FlatCell({0, 2.5F, 0, 0}, 1), 500, 5), 2);
  EXPECT_EQ(Drive(FlatCell({0, 3.5F, 0, 0}, 1), 500, 5), 4);
  EXPECT_EQ(Drive(FlatCell({0, -2, 0, 0}, 100), 500, 5), 1);
  EXPECT_EQ(Drive(FlatCell({0, 2, 0, 0}, 100, 7), 500, 5), 207);  // the offset is added
}

TEST_F(CellDriveTest, ProbeScaleOfTheEntryAtNextIndex) {
  const CellTable cell = ExampleCell();
  results.NextIndex = 7;
  Drive(cell, 100, 5);
  EXPECT_DOUBLE_EQ(results.ProbeScale[7], 19660.5 / 5);
  EXPECT_DOUBLE_EQ(results.ProbeScale[6], 1.0);

  results.NextIndex = 5000;  // past the table: the last entry
  Drive(FlatCell({1, 2, 3, 4}, 1000), 500, 5);
  EXPECT_DOUBLE_EQ(results.ProbeScale[engine::kEntries - 1], 400.0);

  // No ratio for a target of 0 or below: the entry keeps its scale.
  results.NextIndex = 3;
  results.ProbeScale[3] = 42.0;
  EXPECT_EQ(Drive(cell, 100, 0), 1);
  EXPECT_EQ(Drive(cell, 100, -1), 1);
  EXPECT_DOUBLE_EQ(results.ProbeScale[3], 42.0);
}

TEST_F(CellDriveTest, ArithmeticFaultShowsTheFileErrorAndUsesTheOffset) {
  const float big = std::numeric_limits<float>::max();
  // Extrapolating between rows of opposite extremes leaves single precision.
  const CellTable cell = TableOf({{100, {0, big, 0, 0}}, {200, {0, -big, 0, 0}}}, 26214, 500);
  EXPECT_EQ(Drive(cell, 20, 5), 500);
  EXPECT_EQ(screen.diagnostics.cell_drive, "500.00");
  EXPECT_THAT(op.TextsOf(platform::MessageKind::Warning),
              ElementsAre("Cell Characteristic File Error"));

  op.ClearHistory();
  EXPECT_EQ(Drive(FlatCell({0, 1, 0, 0}, 1000), 500, std::numeric_limits<double>::quiet_NaN()), 1);
  EXPECT_THAT(op.Texts(), ElementsAre("Cell Characteristic File Error"));
}

TEST_F(CellDriveTest, EmptyTableStaysInRange) {
  CellTable cell;  // no rows loaded: rows of zeros
  EXPECT_EQ(Drive(cell, 100, 5), 1);
  cell.DriveOffset = 300;
  EXPECT_EQ(Drive(cell, 100, 5), 300);
  EXPECT_THAT(op.History(), IsEmpty());
}

}  // namespace
}  // namespace tarvos::calib
