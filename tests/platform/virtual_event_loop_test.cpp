#include "platform/virtual_event_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"

namespace tarvos::platform {
namespace {

using ::testing::ElementsAre;

// What ran, and when on the loop's clock: "A@100".
class Journal {
 public:
  explicit Journal(VirtualEventLoop& loop) : loop_(loop) {}

  std::function<void()> Note(std::string name) {
    return [this, name = std::move(name)] { Add(name); };
  }
  void Add(const std::string& name) {
    entries_.push_back(name + "@" + std::to_string(loop_.ClockMs()));
  }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  VirtualEventLoop& loop_;
  std::vector<std::string> entries_;
};

std::unique_ptr<Timer> StartTimer(EventLoop& loop, uint32_t interval_ms,
                                  std::function<void()> callback) {
  auto timer = loop.CreateTimer();
  timer->SetInterval(interval_ms);
  timer->SetCallback(std::move(callback));
  timer->SetEnabled(true);
  return timer;
}

class VirtualEventLoopTest : public ::testing::Test {
 protected:
  VirtualEventLoop loop_;
  Journal journal_{loop_};
};

TEST_F(VirtualEventLoopTest, TimersAndActionsRunInTimeOrder) {
  auto slow = StartTimer(loop_, 30, journal_.Note("slow"));
  auto fast = StartTimer(loop_, 20, journal_.Note("fast"));
  loop_.ScheduleAt(25, journal_.Note("action"));
  EXPECT_TRUE(loop_.DispatchUntil(61));
  EXPECT_THAT(journal_.Entries(),
              ElementsAre("fast@20", "action@25", "slow@30", "fast@40", "slow@60", "fast@60"));
  EXPECT_EQ(loop_.ClockMs(), 61u);
}

TEST_F(VirtualEventLoopTest, TiesGoToActionsFirstThenInTheOrderArmed) {
  auto first = StartTimer(loop_, 20, journal_.Note("first"));
  auto second = StartTimer(loop_, 20, journal_.Note("second"));
  loop_.ScheduleAt(20, journal_.Note("scheduled"));
  loop_.ScheduleAt(20, journal_.Note("scheduled later"));
  loop_.RunFor(20);
  loop_.Post(journal_.Note("posted"));
  loop_.RunFor(20);
  EXPECT_THAT(journal_.Entries(), ElementsAre("scheduled@20", "scheduled later@20", "first@20",
                                              "second@20", "posted@20", "first@40", "second@40"));
}

TEST_F(VirtualEventLoopTest, EnablingOrChangingTheIntervalStartsItAnew) {
  auto timer = StartTimer(loop_, 100, journal_.Note("tick"));
  loop_.ScheduleAt(60, [&] {
    timer->SetEnabled(false);
    timer->SetEnabled(true);
  });
  loop_.ScheduleAt(200, [&] { timer->SetInterval(50); });
  loop_.RunFor(300);
  EXPECT_THAT(journal_.Entries(), ElementsAre("tick@160", "tick@250", "tick@300"));
  EXPECT_EQ(timer->Interval(), 50u);
}

TEST_F(VirtualEventLoopTest, ADisabledTimerKeepsQuietWhateverItsInterval) {
  auto timer = loop_.CreateTimer();
  timer->SetCallback(journal_.Note("tick"));
  timer->SetInterval(10);
  loop_.RunFor(100);
  EXPECT_FALSE(timer->Enabled());
  EXPECT_TRUE(journal_.Entries().empty());
}

TEST_F(VirtualEventLoopTest, AnIntervalOfZeroNeverFiresUntilItIsGivenOne) {
  auto timer = StartTimer(loop_, 0, journal_.Note("tick"));
  EXPECT_TRUE(loop_.RunFor(1000));
  EXPECT_TRUE(journal_.Entries().empty());
  EXPECT_TRUE(timer->Enabled());
  timer->SetInterval(40);
  loop_.RunFor(80);
  EXPECT_THAT(journal_.Entries(), ElementsAre("tick@1040", "tick@1080"));
}

TEST_F(VirtualEventLoopTest, ATimerMayDisableItselfInItsCallback) {
  std::unique_ptr<Timer> timer;
  timer = StartTimer(loop_, 10, [&] {
    journal_.Add("once");
    timer->SetEnabled(false);
  });
  loop_.RunFor(100);
  EXPECT_THAT(journal_.Entries(), ElementsAre("once@10"));
  EXPECT_FALSE(timer->Enabled());
}

TEST_F(VirtualEventLoopTest, ATimerMayDestroyItselfInItsCallback) {
  std::unique_ptr<Timer> doomed;
  doomed = StartTimer(loop_, 10, [&] {
    journal_.Add("doomed");
    doomed.reset();
    journal_.Add("after reset");  // the callback itself outlives its timer
  });
  auto other = StartTimer(loop_, 15, journal_.Note("other"));
  loop_.RunFor(40);
  EXPECT_EQ(doomed, nullptr);
  EXPECT_THAT(journal_.Entries(),
              ElementsAre("doomed@10", "after reset@10", "other@15", "other@30"));
  // A timer made afterwards works as usual.
  auto late = StartTimer(loop_, 5, journal_.Note("late"));
  loop_.RunFor(5);
  EXPECT_EQ(journal_.Entries().back(), "late@45");
}

TEST_F(VirtualEventLoopTest, ATimerFiresAgainInsideAWaitInItsOwnCallback) {
  int depth = 0;
  auto timer = StartTimer(loop_, 100, [&] {
    journal_.Add("tick depth " + std::to_string(depth));
    if (depth == 0 && loop_.ClockMs() == 100) {
      ++depth;
      EXPECT_TRUE(loop_.RunFor(250));
      --depth;
      journal_.Add("wait over");
    }
  });
  loop_.DispatchUntil(500);
  EXPECT_THAT(journal_.Entries(),
              ElementsAre("tick depth 0@100", "tick depth 1@200", "tick depth 1@300",
                          "wait over@350", "tick depth 0@400", "tick depth 0@500"));
}

TEST_F(VirtualEventLoopTest, AScheduledActionMayWaitAndLetOthersRun) {
  auto timer = StartTimer(loop_, 40, journal_.Note("tick"));
  loop_.ScheduleAt(30, [&] {
    journal_.Add("dialog opens");
    loop_.ScheduleAfter(20, journal_.Note("nested action"));
    loop_.RunFor(60);
    journal_.Add("dialog closes");
  });
  loop_.DispatchUntil(130);
  EXPECT_THAT(journal_.Entries(), ElementsAre("dialog opens@30", "tick@40", "nested action@50",
                                              "tick@80", "dialog closes@90", "tick@120"));
}

TEST_F(VirtualEventLoopTest, ScheduledActionsSeeTheirOwnTimes) {
  std::vector<uint64_t> seen;
  loop_.RunFor(1000);
  loop_.ScheduleAt(1500, [&] { seen.push_back(loop_.ClockMs()); });
  loop_.ScheduleAfter(250, [&] { seen.push_back(loop_.ClockMs()); });
  loop_.ScheduleAt(1250, [&] { seen.push_back(loop_.ClockMs()); });  // a tie with the one before
  loop_.RunFor(2000);
  EXPECT_THAT(seen, ElementsAre(1250u, 1250u, 1500u));
  EXPECT_EQ(loop_.ElapsedMs(), 3000u);
}

TEST_F(VirtualEventLoopTest, SleepRunsNothingAndTheOverdueRunOnceAtTheNextDispatch) {
  auto timer = StartTimer(loop_, 100, journal_.Note("tick"));
  loop_.ScheduleAt(300, journal_.Note("action"));
  loop_.Post(journal_.Note("posted"));
  loop_.SleepUntil(1000);
  EXPECT_TRUE(journal_.Entries().empty());
  EXPECT_EQ(loop_.ClockMs(), 1000u);

  // A wait whose deadline has passed still takes what is waiting, and time stays put.
  EXPECT_TRUE(loop_.DispatchUntil(500));
  EXPECT_EQ(loop_.ClockMs(), 1000u);
  // Missed firings are not caught up: the timer fires once and goes on from now.
  EXPECT_THAT(journal_.Entries(), ElementsAre("posted@1000", "tick@1000", "action@1000"));
  loop_.RunFor(100);
  EXPECT_EQ(journal_.Entries().back(), "tick@1100");
  EXPECT_EQ(journal_.Entries().size(), 4u);
}

TEST_F(VirtualEventLoopTest, QuitEndsTheWaitAtOnceAndEveryLaterOne) {
  auto timer = StartTimer(loop_, 10, journal_.Note("tick"));
  loop_.ScheduleAt(25, [&] { loop_.Quit(); });
  loop_.ScheduleAt(25, journal_.Note("after quit"));
  EXPECT_FALSE(loop_.DispatchUntil(1000));
  EXPECT_TRUE(loop_.Quitting());
  EXPECT_EQ(loop_.ClockMs(), 25u);
  EXPECT_FALSE(loop_.DispatchUntil(2000));
  EXPECT_FALSE(loop_.RunFor(0));
  EXPECT_EQ(loop_.ClockMs(), 25u);
  EXPECT_THAT(journal_.Entries(), ElementsAre("tick@10", "tick@20"));
}

TEST_F(VirtualEventLoopTest, QuitInsideANestedWaitEndsTheOuterWaitToo) {
  loop_.ScheduleAt(10, [&] {
    loop_.ScheduleAfter(5, [&] { loop_.Quit(); });
    journal_.Add(loop_.RunFor(100) ? "nested went on" : "nested ended");
  });
  EXPECT_FALSE(loop_.DispatchUntil(1000));
  EXPECT_THAT(journal_.Entries(), ElementsAre("nested ended@15"));
}

TEST_F(VirtualEventLoopTest, PostRunsAtTheNextPassInOrder) {
  loop_.RunFor(70);
  loop_.Post([&] {
    journal_.Add("first");
    loop_.Post(journal_.Note("posted from a posted action"));
  });
  loop_.Post(journal_.Note("second"));
  EXPECT_TRUE(journal_.Entries().empty());
  EXPECT_TRUE(loop_.DispatchUntil(loop_.ClockMs()));
  EXPECT_THAT(journal_.Entries(),
              ElementsAre("first@70", "second@70", "posted from a posted action@70"));
}

TEST_F(VirtualEventLoopTest, BeepsAreCounted) {
  loop_.Beep();
  loop_.Beep();
  EXPECT_EQ(loop_.Beeps(), 2);
}

TEST(VirtualEventLoopWrapTest, TheCounterWrapsWhileTheClockGoesOn) {
  constexpr uint32_t kStart = 0xFFFFFFFFu - 50;
  VirtualEventLoop loop(kStart);
  EXPECT_EQ(loop.NowMs(), kStart);
  std::vector<uint32_t> now;
  std::vector<uint64_t> clock;
  auto timer = StartTimer(loop, 30, [&] {
    now.push_back(loop.NowMs());
    clock.push_back(loop.ClockMs());
  });
  const uint64_t deadline = loop.ClockMs() + 100;
  EXPECT_TRUE(loop.DispatchUntil(deadline));

  EXPECT_EQ(loop.ClockMs(), deadline);
  EXPECT_EQ(loop.ClockMs(), uint64_t{kStart} + 100);
  EXPECT_EQ(loop.NowMs(), 49u);
  EXPECT_EQ(loop.ElapsedMs(), 100u);
  EXPECT_THAT(now, ElementsAre(kStart + 30, 9u, 39u));
  EXPECT_THAT(clock,
              ElementsAre(uint64_t{kStart} + 30, uint64_t{kStart} + 60, uint64_t{kStart} + 90));
}

TEST(WrapCounterTest, ExtendsAcrossSeveralWraps) {
  WrapCounter counter;
  constexpr uint64_t kWrap = uint64_t{1} << 32;
  EXPECT_EQ(counter.Extend(0xFFFFFF00u), 0xFFFFFF00u);  // no wrap before the first reading
  EXPECT_EQ(counter.Extend(0xFFFFFF00u), 0xFFFFFF00u);  // the same reading is no wrap
  EXPECT_EQ(counter.Extend(0x10u), kWrap + 0x10u);
  EXPECT_EQ(counter.Extend(0x80000000u), kWrap + 0x80000000u);
  EXPECT_EQ(counter.Extend(0xFFFFFFFFu), kWrap + 0xFFFFFFFFu);
  EXPECT_EQ(counter.Extend(0u), 2 * kWrap);
  EXPECT_EQ(counter.Extend(0x7FFFFFFFu), 2 * kWrap + 0x7FFFFFFFu);
  EXPECT_EQ(counter.Extend(0x7FFFFFFEu), 3 * kWrap + 0x7FFFFFFEu);
}

// A loop whose counter is set by hand, to check the clock every loop gets by default.
class CounterLoop final : public EventLoop {
 public:
  uint32_t now = 0;
  uint32_t NowMs() override { return now; }
  bool DispatchUntil(uint64_t /*deadline_ms*/) override { return true; }
  void SleepUntil(uint64_t /*deadline_ms*/) override {}
  std::unique_ptr<Timer> CreateTimer() override { return nullptr; }
  void Post(std::function<void()> /*action*/) override {}
  void Beep() override {}
  void Quit() override {}
  bool Quitting() const override { return false; }
};

TEST(WrapCounterTest, TheDefaultClockOfALoopNeverGoesBack) {
  CounterLoop loop;
  loop.now = 0xFFFFFFF0u;
  EXPECT_EQ(loop.ClockMs(), 0xFFFFFFF0u);
  loop.now = 0x20u;
  EXPECT_EQ(loop.ClockMs(), (uint64_t{1} << 32) + 0x20u);
  EXPECT_EQ(loop.ClockMs(), (uint64_t{1} << 32) + 0x20u);
}

}  // namespace
}  // namespace tarvos::platform
