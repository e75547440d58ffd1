#include "sim/field_model.h"

#include <gtest/gtest.h>

namespace tarvos::sim {
namespace {

// The drive fraction at which the field first reaches the level, or 2 when it never does.
double DriveFor(Amplifier amplifier, double mhz, double field_vm) {
  for (int step = 0; step <= 1000; ++step) {
    const double drive = step / 1000.0;
    if (FieldStrength(amplifier, mhz, drive) >= field_vm) return drive;
  }
  return 2.0;
}

TEST(FieldModel, TenVoltsPerMetreNeedsTenToSeventyPercentOnTheRightAmplifier) {
  for (int mhz = 30; mhz <= 1000; mhz += 5) {
    SCOPED_TRACE(mhz);
    const double drive = DriveFor(Amplifier::kAmplifier1, mhz, 10.0);
    EXPECT_GE(drive, 0.10);
    EXPECT_LE(drive, 0.70);
  }
  for (int mhz = 800; mhz <= 4200; mhz += 50) {
    SCOPED_TRACE(mhz);
    const double drive = DriveFor(Amplifier::kAmplifier2, mhz, 10.0);
    EXPECT_GE(drive, 0.10);
    EXPECT_LE(drive, 0.70);
  }
}

TEST(FieldModel, TwentyVoltsPerMetreAtOneGigahertzIsOutOfReach) {
  EXPECT_LT(FieldStrength(Amplifier::kAmplifier1, 1000.0, 1.0), 19.0);
  EXPECT_LT(FieldStrength(Amplifier::kAmplifier2, 1000.0, 1.0), 19.0);
}

TEST(FieldModel, WrongOrMissingAmplifierGivesAlmostNothing) {
  for (int mhz = 30; mhz <= 700; mhz += 10) {
    EXPECT_LT(FieldStrength(Amplifier::kAmplifier2, mhz, 1.0), 1.0) << mhz;
  }
  for (int mhz = 1100; mhz <= 4200; mhz += 50) {
    EXPECT_LT(FieldStrength(Amplifier::kAmplifier1, mhz, 1.0), 1.0) << mhz;
  }
  EXPECT_EQ(FieldStrength(Amplifier::kNone, 300.0, 1.0), 0.0);
  EXPECT_EQ(FieldStrength(Amplifier::kAmplifier1, 0.0, 1.0), 0.0);
}

TEST(FieldModel, RisesSmoothlyAndSaturates) {
  double previous = FieldStrength(Amplifier::kAmplifier1, 300.0, 0.0);
  EXPECT_EQ(previous, 0.0);
  for (int step = 1; step <= 100; ++step) {
    const double field = FieldStrength(Amplifier::kAmplifier1, 300.0, step / 100.0);
    EXPECT_GT(field, previous);
    previous = field;
  }
  const double low_slope = FieldStrength(Amplifier::kAmplifier1, 300.0, 0.1);
  const double top_slope = previous - FieldStrength(Amplifier::kAmplifier1, 300.0, 0.9);
  EXPECT_LT(top_slope, low_slope / 2);
  EXPECT_EQ(FieldStrength(Amplifier::kAmplifier1, 300.0, 5.0), previous);  // drive is clamped
}

}  // namespace
}  // namespace tarvos::sim
