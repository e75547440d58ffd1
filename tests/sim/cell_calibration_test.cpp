#include "sim/cell_calibration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/cell_value.h"

namespace tarvos::sim {
namespace {

TEST(DefaultCellCalibration, CarriesTheCellConstants) {
  const CellCalibration cell = DefaultCellCalibration();
  EXPECT_EQ(cell.Serial, "10");
  EXPECT_FALSE(cell.Heading.empty());
  EXPECT_EQ(cell.RangeThreshold, 200.0F);
  EXPECT_EQ(cell.CellRange, 1);
  EXPECT_EQ(cell.DriveScale, 26214);
  EXPECT_EQ(cell.DriveOffset, 0);
  ASSERT_GE(cell.Rows.size(), 100u);
  EXPECT_EQ(cell.Rows.front().FrequencyMhz, 30u);
  EXPECT_EQ(cell.Rows.back().FrequencyMhz, 1000u);
}

TEST(DefaultCellCalibration, RowsRiseInFrequencyAndFieldWithThreeDecimals) {
  const CellCalibration cell = DefaultCellCalibration();
  for (std::size_t i = 0; i < cell.Rows.size(); ++i) {
    const CellRow& row = cell.Rows[i];
    SCOPED_TRACE(row.FrequencyMhz);
    if (i > 0) {
      EXPECT_GT(row.FrequencyMhz, cell.Rows[i - 1].FrequencyMhz);
      EXPECT_LE(row.FrequencyMhz - cell.Rows[i - 1].FrequencyMhz, 10u);
    }
    for (std::size_t v = 0; v < 4; ++v) {
      EXPECT_GE(row.Values[v], 0.3F);
      EXPECT_LE(row.Values[v], 2.0F);
      const double thousandths = row.Values[v] * 1000.0;
      EXPECT_NEAR(thousandths, std::nearbyint(thousandths), 1e-3);
      if (v > 0) {
        EXPECT_LT(row.Values[v - 1], row.Values[v]);
      }
    }
  }
}

// A three-row cell whose lookups the program's own cell lookup must give too.
CellCalibration ExampleCell() {
  CellCalibration cell;
  cell.Rows = {{30, {0.41F, 0.70F, 0.98F, 1.40F}},
               {100, {0.45F, 0.75F, 1.05F, 1.50F}},
               {1000, {0.52F, 0.86F, 1.21F, 1.73F}}};
  return cell;
}

TEST(CellValue, InterpolatesInFieldThenFrequencyLikeTheProgram) {
  const CellCalibration cell = ExampleCell();
  EXPECT_NEAR(CellValue(cell, 200e6, 5.0), 0.762222, 1e-6);
  EXPECT_NEAR(ProbeCounts(cell, 200e6, 5.0), 19980.89, 0.01);
  EXPECT_EQ(ProbeCounts(cell, 100e6, 5.0), 19660.5F);
  EXPECT_EQ(std::nearbyint(ProbeCounts(cell, 500e6, 6.0)), 25165.0F);
  EXPECT_EQ(std::nearbyint(ProbeCounts(cell, 1000e6, 12.0)), 54438.0F);  // above the top level
  EXPECT_EQ(std::nearbyint(ProbeCounts(cell, 30e6, 3.0)), 10748.0F);
}

TEST(CellValue, FieldSegmentsAndFrequencyEdges) {
  const CellCalibration cell = ExampleCell();
  EXPECT_FLOAT_EQ(CellValue(cell, 30e6, 4.0), (0.41F + 0.70F) / 2);
  EXPECT_FLOAT_EQ(CellValue(cell, 30e6, 1.5), 0.41F / 2);
  EXPECT_FLOAT_EQ(CellValue(cell, 30e6, 0.0), 0.0F);
  EXPECT_FLOAT_EQ(CellValue(cell, 100e6, 10.0), 1.50F);  // a row's own frequency
  // Below 29.9 MHz the lookup is made at 29.9 MHz, extrapolating from the first two rows.
  EXPECT_FLOAT_EQ(CellValue(cell, 20e6, 5.0), CellValue(cell, 29.9e6, 5.0));
  EXPECT_LT(CellValue(cell, 29.9e6, 5.0), 0.70F);
  // Far above the table it stays at the last row (+0.1 MHz) instead of running away.
  EXPECT_FLOAT_EQ(CellValue(cell, 4000e6, 5.0), CellValue(cell, 1000.1e6, 5.0));
}

TEST(CellValue, SmallTablesAndOtherRanges) {
  CellCalibration cell;
  EXPECT_EQ(CellValue(cell, 100e6, 5.0), 0.0F);
  cell.Rows = {{100, {0.4F, 0.6F, 0.8F, 1.0F}}};
  EXPECT_FLOAT_EQ(CellValue(cell, 500e6, 5.0), 0.6F);
  cell.CellRange = 2;  // 3, 7, 12, 20 V/m
  EXPECT_FLOAT_EQ(CellValue(cell, 100e6, 7.0), 0.6F);
  cell.CellRange = 3;  // 3, 7, 12, 30 V/m
  EXPECT_FLOAT_EQ(CellValue(cell, 100e6, 30.0), 1.0F);
  cell.CellRange = 9;  // taken as range 1
  EXPECT_FLOAT_EQ(CellValue(cell, 100e6, 10.0), 1.0F);
}

}  // namespace
}  // namespace tarvos::sim
