// QtEventLoop on the offscreen platform, on the real clock. Bounds on lateness are loose
// (a shared machine, sanitizers); being early is never allowed.
#include "ui/qt_event_loop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvos::ui {
namespace {

// Runs the body inside the application's own loop, as the window does, and returns when
// the body has ended that loop or has returned. A quit inside it ends only this run of
// the loop: the application forgets it when exec() returns, so later tests still wait.
void InsideApplicationLoop(const std::function<void()>& body) {
  QTimer::singleShot(0, [&] {
    body();
    QCoreApplication::exit(0);
  });
  QApplication::exec();
}

TEST(QtEventLoopTest, TimerFiresAtItsIntervalNeverEarly) {
  QtEventLoop loop;
  auto timer = loop.CreateTimer();
  std::vector<uint64_t> fired;
  timer->SetCallback([&] { fired.push_back(loop.ClockMs()); });
  timer->SetInterval(40);
  const uint64_t start = loop.ClockMs();
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 40u);
  ASSERT_TRUE(loop.DispatchUntil(start + 230));
  const uint64_t ended = loop.ClockMs();
  timer->SetEnabled(false);

  ASSERT_GE(fired.size(), 3u);
  EXPECT_LE(fired.size(), (ended - start) / 40);
  EXPECT_GE(fired[0], start + 40);
  // The firings keep their pace from when each was due: the n-th comes no sooner than
  // n intervals after the start.
  for (size_t i = 0; i < fired.size(); ++i) EXPECT_GE(fired[i], start + 40 * (i + 1)) << i;

  // Disabled: nothing more.
  const size_t count = fired.size();
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 100));
  EXPECT_EQ(fired.size(), count);
}

TEST(QtEventLoopTest, EnablingOrChangingTheIntervalStartsItAnew) {
  QtEventLoop loop;
  auto timer = loop.CreateTimer();
  std::vector<uint64_t> fired;
  timer->SetCallback([&] { fired.push_back(loop.ClockMs()); });
  timer->SetInterval(100);
  timer->SetEnabled(true);
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 60));
  ASSERT_TRUE(fired.empty());
  // Changing the interval of an enabled timer restarts it, even to the same value.
  uint64_t restarted = loop.ClockMs();
  timer->SetInterval(100);
  ASSERT_TRUE(loop.DispatchUntil(restarted + 80));
  EXPECT_TRUE(fired.empty()) << "fired " << fired.front() - restarted << " ms after the change";
  ASSERT_TRUE(loop.DispatchUntil(restarted + 160));
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_GE(fired[0], restarted + 100);

  // Disabled and enabled again: a whole interval from the enabling.
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 50));
  timer->SetEnabled(false);
  fired.clear();
  restarted = loop.ClockMs();
  timer->SetEnabled(true);
  ASSERT_TRUE(loop.DispatchUntil(restarted + 80));
  EXPECT_TRUE(fired.empty());
  ASSERT_TRUE(loop.DispatchUntil(restarted + 150));
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_GE(fired[0], restarted + 100);
}

TEST(QtEventLoopTest, IntervalZeroNeverFires) {
  QtEventLoop loop;
  auto timer = loop.CreateTimer();
  int fired = 0;
  timer->SetCallback([&] { ++fired; });
  timer->SetEnabled(true);  // interval still 0
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 50));
  EXPECT_EQ(fired, 0);

  timer->SetInterval(10);
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 60));
  EXPECT_GE(fired, 1);
  // Back to 0 while enabled: it stops firing but stays enabled.
  timer->SetInterval(0);
  const int before = fired;
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 60));
  EXPECT_EQ(fired, before);
  EXPECT_TRUE(timer->Enabled());
}

TEST(QtEventLoopTest, PumpingWaitRunsPostsAndTimersAndEndsAtItsDeadline) {
  QtEventLoop loop;
  std::vector<std::string> ran;
  auto timer = loop.CreateTimer();
  timer->SetCallback([&] {
    ran.push_back("timer");
    timer->SetEnabled(false);
  });
  timer->SetInterval(30);
  timer->SetEnabled(true);
  loop.Post([&] { ran.push_back("posted"); });
  EXPECT_TRUE(ran.empty()) << "a posted action runs at the next pass, not at once";

  const uint64_t deadline = loop.ClockMs() + 120;
  ASSERT_TRUE(loop.DispatchUntil(deadline));
  const uint64_t returned = loop.ClockMs();
  EXPECT_EQ(ran, (std::vector<std::string>{"posted", "timer"}));
  EXPECT_GE(returned, deadline);
  EXPECT_LT(returned, deadline + 100);

  // A deadline already passed takes what is waiting and returns without sleeping.
  loop.Post([&] { ran.push_back("late"); });
  const uint64_t before = loop.ClockMs();
  ASSERT_TRUE(loop.DispatchUntil(before));
  EXPECT_EQ(ran.back(), "late");
  EXPECT_LT(loop.ClockMs(), before + 50);
}

TEST(QtEventLoopTest, SleepingWaitRunsNothing) {
  QtEventLoop loop;
  int ran = 0;
  int hooks = 0;
  loop.SetAfterDispatch([&] { ++hooks; });
  auto timer = loop.CreateTimer();
  timer->SetCallback([&] { ++ran; });
  timer->SetInterval(10);
  timer->SetEnabled(true);
  loop.Post([&] { ++ran; });
  const uint64_t deadline = loop.ClockMs() + 60;
  loop.SleepUntil(deadline);
  EXPECT_GE(loop.ClockMs(), deadline);
  EXPECT_EQ(ran, 0);
  EXPECT_EQ(hooks, 0);
  // What was held back runs at the next pumping pass.
  timer->SetEnabled(false);
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs()));
  EXPECT_EQ(ran, 1);
}

TEST(QtEventLoopTest, AfterDispatchFollowsEveryActionTimerAndWake) {
  QtEventLoop loop;
  std::vector<std::string> log;
  loop.SetAfterDispatch([&] { log.push_back("draw"); });
  auto timer = loop.CreateTimer();
  timer->SetCallback([&] {
    log.push_back("timer");
    timer->SetEnabled(false);
  });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  loop.Post([&] { log.push_back("posted"); });
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 60));
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4),
            (std::vector<std::string>{"posted", "draw", "timer", "draw"}));
  EXPECT_EQ(log.back(), "draw");  // the wait's own wake-up
  for (size_t i = 4; i < log.size(); ++i) EXPECT_EQ(log[i], "draw");

  // A pass at a deadline already reached draws once.
  log.clear();
  ASSERT_TRUE(loop.DispatchUntil(0));
  EXPECT_EQ(log, std::vector<std::string>{"draw"});
}

TEST(QtEventLoopTest, PumpingCallbackIsFiredAgainInsideItself) {
  QtEventLoop loop;
  auto timer = loop.CreateTimer();
  int depth = 0;
  int deepest = 0;
  int calls = 0;
  timer->SetCallback([&] {
    ++calls;
    ++depth;
    deepest = std::max(deepest, depth);
    if (depth == 1) loop.DispatchUntil(loop.ClockMs() + 75);
    --depth;
  });
  timer->SetInterval(20);
  timer->SetEnabled(true);
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 130));
  timer->SetEnabled(false);
  EXPECT_EQ(deepest, 2);
  EXPECT_GE(calls, 3);
}

TEST(QtEventLoopTest, TimerDestroyedByItsOwnCallbackFiresNoMore) {
  QtEventLoop loop;
  int fired = 0;
  int hooks = 0;
  loop.SetAfterDispatch([&] { ++hooks; });
  auto timer = loop.CreateTimer();
  timer->SetCallback([&] {
    ++fired;
    timer.reset();
    // Still safe to pump with the timer gone under the running callback.
    loop.DispatchUntil(loop.ClockMs() + 20);
  });
  timer->SetInterval(10);
  timer->SetEnabled(true);
  ASSERT_TRUE(loop.DispatchUntil(loop.ClockMs() + 80));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(timer, nullptr);
  EXPECT_GE(hooks, 2);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(QtEventLoopTest, PostsStillQueuedWhenTheLoopGoesAreDropped) {
  int ran = 0;
  {
    QtEventLoop loop;
    loop.Post([&] { ++ran; });
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(ran, 0);
}

TEST(QtEventLoopTest, CounterWrapsButTheClockGoesOn) {
  QtEventLoop loop(0xFFFFFFF0u);
  const uint64_t start = loop.ClockMs();
  EXPECT_GE(loop.NowMs(), 0xFFFFFFF0u);
  ASSERT_TRUE(loop.DispatchUntil(start + 40));
  EXPECT_GE(loop.ClockMs(), uint64_t{1} << 32);
  EXPECT_LT(loop.NowMs(), 1000u);
  EXPECT_EQ(loop.NowMs(), static_cast<uint32_t>(loop.ClockMs()));
}

TEST(QtEventLoopTest, QuitEndsEveryLaterWait) {
  QtEventLoop loop;
  bool before = false;
  bool after = true;
  bool later = true;
  bool quitting = false;
  uint64_t took = 0;
  int posted = 0;
  InsideApplicationLoop([&] {
    before = loop.DispatchUntil(loop.ClockMs() + 10);
    loop.Quit();
    quitting = loop.Quitting();
    loop.Post([&] { ++posted; });
    const uint64_t start = loop.ClockMs();
    after = loop.DispatchUntil(start + 2000);
    later = loop.DispatchUntil(0);
    took = loop.ClockMs() - start;
  });
  EXPECT_TRUE(before);
  EXPECT_TRUE(quitting);
  EXPECT_FALSE(after);
  EXPECT_FALSE(later);
  EXPECT_LT(took, 100u);
  EXPECT_EQ(posted, 0) << "a wait after the quit runs nothing";
  EXPECT_FALSE(loop.DispatchUntil(loop.ClockMs() + 1000));
  // The main loop itself does not start again.
  EXPECT_EQ(loop.RunUntilQuit(), 0);
}

TEST(QtEventLoopTest, ApplicationQuitEndsAWaitInProgress) {
  QtEventLoop loop;
  bool waited = true;
  bool next = true;
  uint64_t took = 0;
  InsideApplicationLoop([&] {
    QTimer::singleShot(30, [] { QCoreApplication::quit(); });
    const uint64_t start = loop.ClockMs();
    waited = loop.DispatchUntil(start + 3000);
    took = loop.ClockMs() - start;
    next = loop.DispatchUntil(loop.ClockMs() + 1000);
  });
  EXPECT_FALSE(waited);
  EXPECT_FALSE(next);
  EXPECT_TRUE(loop.Quitting());
  EXPECT_GE(took, 25u);
  EXPECT_LT(took, 1500u);
}

TEST(QtEventLoopTest, ApplicationExitEndsAWaitInProgress) {
  QtEventLoop loop;
  bool waited = true;
  InsideApplicationLoop([&] {
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    waited = loop.DispatchUntil(loop.ClockMs() + 3000);
  });
  EXPECT_FALSE(waited);
  EXPECT_TRUE(loop.Quitting());
}

// A window that refuses to close, as the main window does when the operator answers No.
class StubbornWindow final : public QWidget {
 public:
  bool refuse = true;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (refuse) event->ignore();
  }
};

TEST(QtEventLoopTest, QuitRefusedByAWindowIsNotRecorded) {
  QtEventLoop loop;
  StubbornWindow window;
  window.show();
  bool waited = false;
  uint64_t took = 0;
  InsideApplicationLoop([&] {
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
    const uint64_t start = loop.ClockMs();
    waited = loop.DispatchUntil(start + 150);
    took = loop.ClockMs() - start;
  });
  EXPECT_TRUE(waited);
  EXPECT_FALSE(loop.Quitting());
  EXPECT_GE(took, 150u);
  EXPECT_TRUE(window.isVisible());
  window.refuse = false;
  window.close();
}

TEST(QtEventLoopTest, QuitEndsTheApplicationLoopEvenWhenAWindowRefusesToClose) {
  QtEventLoop loop;
  StubbornWindow window;
  window.show();
  bool ran_on = false;
  QTimer on;
  on.setSingleShot(true);
  QObject::connect(&on, &QTimer::timeout, [&] {
    ran_on = true;
    QCoreApplication::exit(0);
  });
  QTimer::singleShot(0, [&] {
    on.start(300);
    loop.Quit();
  });
  QApplication::exec();
  EXPECT_FALSE(ran_on) << "the application's loop went on after Quit";
  EXPECT_TRUE(loop.Quitting());
  window.refuse = false;
  window.close();
}

}  // namespace
}  // namespace tarvos::ui
