#include <gtest/gtest.h>

#include "engine/result_operations.h"
#include "scenarios/station_rig.h"

namespace tarvos::scenarios {
namespace {

TEST(StandardScanTest, IecIndustrialEndsExactlyOnTheFinish) {
  StationRig rig;
  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());
  rig.TakeTexts();
  rig.St().IecIndustrial();
  rig.St().PressRun();
  const auto& results = rig.St().Results();
  EXPECT_EQ(engine::ResultCount(results), 255U);
  EXPECT_EQ(results.Entries[1].Frequency, 80'000'000U);
  EXPECT_EQ(results.Entries[255].Frequency, 1'000'000'000U);
  EXPECT_NEAR(results.Entries[100].Level, 10.0, 0.5);
  auto texts = rig.TakeTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "The Run has Ended. ");
}

}  // namespace
}  // namespace tarvos::scenarios
