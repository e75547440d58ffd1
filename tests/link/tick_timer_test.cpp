#include "link/tick_timer.h"

#include <gtest/gtest.h>

#include "platform/virtual_event_loop.h"

namespace tarvos::link {
namespace {

using platform::VirtualEventLoop;

TEST(TickWaitTest, ZeroOrNegativeTicksReturnAtOnce) {
  VirtualEventLoop loop(1000);
  EXPECT_TRUE(TickWait(loop, 0, true));
  EXPECT_TRUE(TickWait(loop, -5, false));
  EXPECT_EQ(loop.ElapsedMs(), 0u);
}

TEST(TickWaitTest, EndsAtTheFirstMillisecondPastTheEndTick) {
  VirtualEventLoop loop;
  EXPECT_TRUE(TickWait(loop, 2, true));
  EXPECT_EQ(loop.ElapsedMs(), 165u);  // from the start of tick 0 to the start of tick 3

  VirtualEventLoop mid_tick(30);
  EXPECT_TRUE(TickWait(mid_tick, 2, false));
  EXPECT_EQ(mid_tick.ClockMs(), 165u);
}

TEST(TickWaitTest, QuitEndsTheWaitAndEveryLaterPumpingWait) {
  VirtualEventLoop loop;
  loop.ScheduleAt(100, [&] { loop.Quit(); });
  EXPECT_FALSE(TickWait(loop, 10, true));
  EXPECT_EQ(loop.ElapsedMs(), 100u);
  EXPECT_FALSE(TickWait(loop, 10, true));
  EXPECT_EQ(loop.ElapsedMs(), 100u);
  // The amplifier changeover still gets its time when the program is closing.
  EXPECT_FALSE(TickWait(loop, 18, false));
  EXPECT_GT(loop.ElapsedMs(), 18u * 55);
}

TEST(TickWaitTest, WaitsStartedJustBeforeTheCounterWrapKeepTheirLength) {
  VirtualEventLoop loop(0xFFFFFFFF - 100);  // 35 ms into its tick
  EXPECT_TRUE(TickWait(loop, 5, true));
  EXPECT_EQ(loop.ElapsedMs(), 6u * 55 - 35);
  EXPECT_LT(loop.NowMs(), 1000u);  // the 32-bit counter has wrapped meanwhile

  VirtualEventLoop sleeping(0xFFFFFFFF - 10);
  TickWait(sleeping, 18, false);
  EXPECT_GE(sleeping.ElapsedMs(), 18u * 55);
  EXPECT_LT(sleeping.ElapsedMs(), 19u * 55);
}

TEST(TickTimerTest, TimerAcrossTheWrapExpiresAndCountsRight) {
  VirtualEventLoop loop(0xFFFFFFFF - 100);
  TickTimer timer(loop);
  timer.Start(10);
  EXPECT_FALSE(timer.Expired());
  loop.RunFor(300);
  EXPECT_EQ(timer.ElapsedTicks(), 6u);
  EXPECT_FALSE(timer.Expired());
  loop.RunFor(timer.ExpiryMs() - 1 - loop.ClockMs());
  EXPECT_FALSE(timer.Expired());
  loop.RunFor(1);
  EXPECT_TRUE(timer.Expired());
  EXPECT_EQ(timer.ElapsedTicks(), 11u);
}

TEST(TickTimerTest, StartClampsAndAnUnstartedTimerIsExpired) {
  VirtualEventLoop loop;
  TickTimer timer(loop);
  EXPECT_TRUE(timer.Expired());
  EXPECT_EQ(timer.ElapsedTicks(), 0u);

  timer.Start(kMaxTicks + 1000);
  EXPECT_EQ(timer.ExpiryMs(), (static_cast<uint64_t>(kMaxTicks) + 1) * kTickMs);
  timer.Start(-3);
  EXPECT_FALSE(timer.Expired());
  loop.RunFor(kTickMs);
  EXPECT_TRUE(timer.Expired());
}

TEST(TickTimerTest, SecondsAndTicksConvertWithTheirRounding) {
  EXPECT_EQ(SecondsToTicks(0), 0);
  EXPECT_EQ(SecondsToTicks(1), 18);
  EXPECT_EQ(SecondsToTicks(10), 182);
  EXPECT_EQ(SecondsToTicks(-5), 0);

  VirtualEventLoop loop;
  TickTimer timer(loop);
  timer.Start(1000);
  loop.RunFor(9 * kTickMs);
  EXPECT_EQ(timer.ElapsedSeconds(), 0u);
  loop.RunFor(kTickMs);
  EXPECT_EQ(timer.ElapsedSeconds(), 1u);
  loop.RunFor(172 * kTickMs);  // 182 ticks in all
  EXPECT_EQ(timer.ElapsedSeconds(), 10u);
}

}  // namespace
}  // namespace tarvos::link
