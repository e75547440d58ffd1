// The performance counter's milliseconds: an ACPI timer's 3.579545 MHz keeps time over an
// hour and a year, where counts over a whole number of counts a millisecond drift.
#include "platform/precise_sleep.h"

#include <gtest/gtest.h>

namespace tarvos::platform {
namespace {

TEST(CounterMsTest, KeepsTimeAtAFrequencyOfNoWholeKilohertz) {
  constexpr uint64_t kAcpi = 3'579'545;
  EXPECT_EQ(CounterMs(kAcpi * 3600, kAcpi), 3'600'000u);
  EXPECT_EQ(CounterMs(kAcpi * 3600 * 24 * 365, kAcpi), 31'536'000'000u);
  EXPECT_EQ(CounterMs(kAcpi - 1, kAcpi), 999u);
  EXPECT_EQ(CounterMs(kAcpi / 1000 * 3, kAcpi), 2u);  // 10737 counts: 2.9995 ms
  EXPECT_EQ(CounterMs(10'000'000ull * 86400 * 365 * 100, 10'000'000), 3'153'600'000'000u);
}

}  // namespace
}  // namespace tarvos::platform
