// The helper's end as Windows reports it: an exception's exit code in hexadecimal, as it
// is looked up, any other in decimal; and a read that tells time up from an end.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/helper_process.h"
#include "platform/precise_sleep.h"

namespace tarvos::platform {
namespace {

std::optional<std::string> EndOf(HelperProcess& helper) {
  while (helper.Read(MonotonicMs() + 10'000)) {
  }
  std::optional<std::string> how;
  const uint64_t deadline = MonotonicMs() + 10'000;
  PreciseSleeper sleeper;
  while (!(how = helper.Ended()) && MonotonicMs() < deadline) sleeper.SleepUntil(MonotonicMs() + 5);
  return how;
}

TEST(HelperProcessWindowsTest, AnExceptionsExitCodeIsInHexadecimal) {
  HelperProcess crashed;
  // 0xC0000005: an access violation.
  ASSERT_TRUE(crashed.Start(TARVOS_EXIT_WITH, {"0xC0000005"}));
  EXPECT_EQ(EndOf(crashed), "The adapter process has ended (exit code 0xC0000005).");
  EXPECT_TRUE(crashed.OutputClosed());

  HelperProcess refused;
  ASSERT_TRUE(refused.Start(TARVOS_EXIT_WITH, {"3"}));
  EXPECT_EQ(EndOf(refused), "The adapter process has ended (exit code 3).");
}

TEST(HelperProcessWindowsTest, AReadEndsAtItsDeadlineWithTheOutputOpen) {
  HelperProcess silent;
  // Reads its input, which stays open: no output, no end.
  ASSERT_TRUE(silent.Start(TARVOS_EXIT_WITH, {}));
  const uint64_t before = MonotonicMs();
  EXPECT_FALSE(silent.Read(before + 300));
  EXPECT_GE(MonotonicMs(), before + 300);
  EXPECT_FALSE(silent.OutputClosed());
  silent.Kill();
  EXPECT_FALSE(silent.Stuck());
}

}  // namespace
}  // namespace tarvos::platform
