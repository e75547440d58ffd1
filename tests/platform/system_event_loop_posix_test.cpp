#include "platform/system_event_loop.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace tarvos::platform {
namespace {

// These run on the real clock, so they bound times loosely: they catch a wait that
// ends early, one that never sleeps, and timers that do not run at all.

using Clock = std::chrono::steady_clock;

std::chrono::microseconds ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto total = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return total(usage.ru_utime) + total(usage.ru_stime);
}

std::unique_ptr<Timer> StartTimer(EventLoop& loop, uint32_t interval_ms,
                                  std::function<void()> callback) {
  auto timer = loop.CreateTimer();
  timer->SetInterval(interval_ms);
  timer->SetCallback(std::move(callback));
  timer->SetEnabled(true);
  return timer;
}

TEST(SystemEventLoopTest, AWaitEndsAtItsDeadlineAndRunsTheTimersOnTheWay) {
  SystemEventLoop loop;
  int ticks = 0;
  auto timer = StartTimer(loop, 10, [&] { ++ticks; });
  const auto started = Clock::now();
  const uint64_t deadline = loop.ClockMs() + 30;
  EXPECT_TRUE(loop.DispatchUntil(deadline));
  EXPECT_GE(loop.ClockMs(), deadline);
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(29));
  EXPECT_GE(ticks, 2);
  EXPECT_LE(ticks, 3);
}

TEST(SystemEventLoopTest, AWaitSleepsRatherThanSpins) {
  SystemEventLoop loop;
  int ticks = 0;
  auto timer = StartTimer(loop, 20, [&] { ++ticks; });
  const auto cpu_before = ProcessCpuTime();
  EXPECT_TRUE(loop.DispatchUntil(loop.ClockMs() + 200));
  const auto cpu = ProcessCpuTime() - cpu_before;
  EXPECT_LT(cpu, std::chrono::milliseconds(50));
  EXPECT_GE(ticks, 5);
}

TEST(SystemEventLoopTest, QuitFromATimerEndsTheWaitAndEveryLaterOne) {
  SystemEventLoop loop;
  auto timer = StartTimer(loop, 20, [&] { loop.Quit(); });
  const auto started = Clock::now();
  EXPECT_FALSE(loop.DispatchUntil(loop.ClockMs() + 5000));
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(1000));
  EXPECT_TRUE(loop.Quitting());
  const auto again = Clock::now();
  EXPECT_FALSE(loop.DispatchUntil(loop.ClockMs() + 5000));
  EXPECT_LT(Clock::now() - again, std::chrono::milliseconds(100));
}

TEST(SystemEventLoopTest, RunUntilQuitEndsWithTheQuit) {
  SystemEventLoop loop;
  int posted = 0;
  loop.Post([&] { ++posted; });
  auto timer = StartTimer(loop, 15, [&] { loop.Quit(); });
  loop.RunUntilQuit();
  EXPECT_EQ(posted, 1);
  EXPECT_TRUE(loop.Quitting());
}

TEST(SystemEventLoopTest, SleepRunsNoTimersAndTheNextWaitTakesTheOverdue) {
  SystemEventLoop loop;
  int ticks = 0;
  int posted = 0;
  auto timer = StartTimer(loop, 5, [&] { ++ticks; });
  loop.Post([&] { ++posted; });
  const uint64_t deadline = loop.ClockMs() + 30;
  loop.SleepUntil(deadline);
  EXPECT_GE(loop.ClockMs(), deadline);
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(posted, 0);
  // Missed firings are not caught up one by one.
  EXPECT_TRUE(loop.DispatchUntil(loop.ClockMs()));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(posted, 1);
}

TEST(SystemEventLoopTest, TheCounterWrapsWhileTheClockGoesOn) {
  constexpr uint32_t kStart = 0xFFFFFFFFu - 10;
  SystemEventLoop loop(kStart);
  EXPECT_GE(loop.NowMs(), kStart);
  const uint64_t deadline = uint64_t{kStart} + 30;
  EXPECT_TRUE(loop.DispatchUntil(deadline));
  EXPECT_GE(loop.ClockMs(), deadline);
  EXPECT_LT(loop.ClockMs(), deadline + 1000);
  EXPECT_GE(loop.NowMs(), 19u);
  EXPECT_LT(loop.NowMs(), 1019u);
}

}  // namespace
}  // namespace tarvos::platform
