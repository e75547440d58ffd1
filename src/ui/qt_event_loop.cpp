#include "ui/qt_event_loop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <thread>
#include <utility>

namespace tarvos::ui {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A QTimer counts its interval in an int of milliseconds: a longer wait wakes once a
// day on the way to its deadline.
constexpr uint64_t kLongestWakeMs = uint64_t{24} * 60 * 60 * 1000;
// The steady clock's nanoseconds end some 292 years on: a sleep without end goes in
// slices of a year.
constexpr uint64_t kLongestSleepMs = uint64_t{365} * 24 * 60 * 60 * 1000;

}  // namespace

struct QtEventLoop::Shared {
  bool quitting = false;
  std::function<void()> after_dispatch;

  void AfterDispatch() {
    if (!after_dispatch) return;
    // A copy, so that a hook replacing itself does not destroy what is running.
    const auto hook = after_dispatch;
    hook();
  }
};

// Watches the application for its quit, and is the receiver of posted actions, so that
// actions still queued when the loop goes are dropped with it.
class QtEventLoop::Watcher final : public QObject {
 public:
  explicit Watcher(Shared& shared) : shared_(shared) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~Watcher() override {
    if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Quit || watched != QCoreApplication::instance() ||
        delivering_quit_) {
      return false;
    }
    // The application first asks its windows to close and ignores the quit when one
    // refuses: only a quit it accepts is recorded, so the operator's No to the close
    // question leaves later runs working. The event is delivered here, once, to see that.
    delivering_quit_ = true;
    event->accept();
    watched->event(event);
    delivering_quit_ = false;
    refused_ = !event->isAccepted();
    if (!refused_) shared_.quitting = true;
    return true;
  }

  // Whether the last quit that reached the application was refused by a window.
  bool TakeRefused() { return std::exchange(refused_, false); }

 private:
  Shared& shared_;
  bool delivering_quit_ = false;
  bool refused_ = false;
};

// A window timer on a precise single-shot QTimer that is armed again before each
// callback, from the time the firing was due: the firings keep their pace, and a
// callback that pumps can be fired again inside itself, as window timers are.
class QtEventLoop::QtTimer final : public platform::Timer {
 public:
  explicit QtTimer(std::weak_ptr<Shared> loop) : core_(std::make_shared<Core>()) {
    core_->loop = std::move(loop);
    core_->qtimer = std::make_unique<QTimer>();
    core_->qtimer->setTimerType(Qt::PreciseTimer);
    core_->qtimer->setSingleShot(true);
    std::weak_ptr<Core> weak = core_;
    QObject::connect(core_->qtimer.get(), &QTimer::timeout, core_->qtimer.get(),
                     [weak] { Fire(weak); });
  }

  ~QtTimer() override {
    core_->enabled = false;
    core_->qtimer->stop();
    if (core_->running > 0) {
      // Destroyed by its own callback (or by something that callback ran): the QTimer
      // is still emitting further up the stack, so it goes when control gets back to
      // the event loop, and fires no more meanwhile.
      core_->qtimer->disconnect();
      core_->qtimer.release()->deleteLater();
    }
  }

  void SetInterval(uint32_t interval_ms) override {
    core_->interval = interval_ms;
    if (core_->enabled) Arm();
  }
  uint32_t Interval() const override { return core_->interval; }
  void SetEnabled(bool enabled) override {
    if (enabled && !core_->enabled) {
      core_->enabled = true;
      Arm();
    } else if (!enabled) {
      core_->enabled = false;
      core_->qtimer->stop();
    }
  }
  bool Enabled() const override { return core_->enabled; }
  void SetCallback(std::function<void()> callback) override {
    core_->callback = std::move(callback);
  }

 private:
  // What a firing needs, kept alive by the firing itself while its callback runs.
  struct Core {
    std::weak_ptr<Shared> loop;
    std::unique_ptr<QTimer> qtimer;
    std::function<void()> callback;
    uint32_t interval = 0;
    bool enabled = false;
    int running = 0;
    Clock::time_point due;
  };

  // An interval of 0 never fires, though the timer stays enabled.
  void Arm() {
    core_->qtimer->stop();
    if (core_->interval == 0) return;
    core_->due = Clock::now() + milliseconds(core_->interval);
    core_->qtimer->start(milliseconds(core_->interval));
  }

  static void Fire(const std::weak_ptr<Core>& weak) {
    const std::shared_ptr<Core> core = weak.lock();
    if (!core || !core->enabled || core->interval == 0 || !core->qtimer) return;
    const auto now = Clock::now();
    const milliseconds interval(core->interval);
    // Firings missed while nothing pumped are not caught up one by one.
    core->due += interval;
    if (core->due <= now) core->due = now + interval;
    core->qtimer->start(std::chrono::ceil<milliseconds>(core->due - now));

    // The callback may replace itself, or destroy this timer: run a copy.
    const auto callback = core->callback;
    ++core->running;
    if (callback) callback();
    --core->running;
    if (auto shared = core->loop.lock()) shared->AfterDispatch();
  }

  std::shared_ptr<Core> core_;
};

QtEventLoop::QtEventLoop(uint32_t start_ms)
    : origin_(Clock::now()),
      start_(start_ms),
      shared_(std::make_shared<Shared>()),
      watcher_(std::make_unique<Watcher>(*shared_)) {}

QtEventLoop::~QtEventLoop() = default;

uint64_t QtEventLoop::ClockMs() {
  const auto since = std::chrono::duration_cast<milliseconds>(Clock::now() - origin_);
  return start_ + static_cast<uint64_t>(since.count());
}

bool QtEventLoop::DispatchUntil(uint64_t deadline_ms) {
  Shared& shared = *shared_;
  if (shared.quitting) return false;
  if (ClockMs() >= deadline_ms) {
    // The deadline has come: take what is waiting, without sleeping.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    shared.AfterDispatch();
    return !shared.quitting;
  }
  while (!shared.quitting) {
    const uint64_t now = ClockMs();
    if (now >= deadline_ms) break;
    // processEvents with a longest time would spin a core: the wait sleeps in a loop of
    // its own, ended by a precise timer at the deadline.
    QEventLoop nested;
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setSingleShot(true);
    bool woke = false;
    QObject::connect(&wake, &QTimer::timeout, &nested, [&] {
      woke = true;
      nested.quit();
    });
    wake.start(milliseconds(std::min(deadline_ms - now, kLongestWakeMs)));
    nested.exec();
    // Only the application's exit ends this loop otherwise, and once it has, every
    // later exec() returns at once.
    if (!woke) shared.quitting = true;
    shared.AfterDispatch();
  }
  return !shared.quitting;
}

void QtEventLoop::SleepUntil(uint64_t deadline_ms) {
  for (;;) {
    const uint64_t now = ClockMs();
    if (now >= deadline_ms) return;
    const uint64_t since_origin = now - start_ + std::min(deadline_ms - now, kLongestSleepMs);
    std::this_thread::sleep_until(origin_ + milliseconds(since_origin));
  }
}

std::unique_ptr<platform::Timer> QtEventLoop::CreateTimer() {
  return std::make_unique<QtTimer>(shared_);
}

void QtEventLoop::Post(std::function<void()> action) {
  std::weak_ptr<Shared> weak = shared_;
  QMetaObject::invokeMethod(
      watcher_.get(),
      [weak, action = std::move(action)] {
        if (action) action();
        if (auto shared = weak.lock()) shared->AfterDispatch();
      },
      Qt::QueuedConnection);
}

void QtEventLoop::Beep() { QApplication::beep(); }

void QtEventLoop::Quit() {
  shared_->quitting = true;
  watcher_->TakeRefused();
  // Outside the application's loop Qt drops the quit (RunUntilQuit then sees it).
  QCoreApplication::quit();
  // Inside it, a window may refuse to close; the program has decided, so the loop ends
  // all the same.
  if (watcher_->TakeRefused()) QCoreApplication::exit(0);
}

bool QtEventLoop::Quitting() const { return shared_->quitting; }

void QtEventLoop::SetAfterDispatch(std::function<void()> hook) {
  shared_->after_dispatch = std::move(hook);
}

int QtEventLoop::RunUntilQuit() {
  if (shared_->quitting) return 0;
  return QApplication::exec();
}

}  // namespace tarvos::ui
