#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace tarvos::ui {

// The program's clock, waits and timers inside the Qt event loop of the window.
//
// A pumping wait sleeps in a nested QEventLoop until its deadline (a precise single-shot
// timer ends it), so a run costs next to no CPU while it waits and wakes within a
// millisecond or two of the deadline. Window events, posted actions and timers run
// meanwhile, modal dialogs included.
//
// The quit is recorded once and kept: Quit(), a QEvent::Quit that the application
// accepts (seen by an event filter on it), or QCoreApplication::exit() ending the
// nested loop. From then on every wait returns false at once, because after a quit Qt
// ends every new QEventLoop::exec() at once and a wait that didn't notice would race.
//
// Construct it after the QApplication and destroy it before; one per application.
class QtEventLoop final : public platform::EventLoop {
 public:
  // start_ms: what the 32-bit counter reads at construction, so that a run can be
  // started just before its wrap.
  explicit QtEventLoop(uint32_t start_ms = 0);
  ~QtEventLoop() override;
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

  uint32_t NowMs() override { return static_cast<uint32_t>(ClockMs()); }
  uint64_t ClockMs() override;

  bool DispatchUntil(uint64_t deadline_ms) override;
  void SleepUntil(uint64_t deadline_ms) override;
  std::unique_ptr<platform::Timer> CreateTimer() override;
  void Post(std::function<void()> action) override;
  void Beep() override;
  // Records the quit and quits the application's loop (closing its windows as Qt does).
  void Quit() override;
  bool Quitting() const override;

  // Called after every timer callback and every posted action that this loop runs, and
  // each time a pumping wait wakes (its deadline reached, or the wait ended by a quit):
  // the window redraws the Screen there. Never called while nothing ran, and not by
  // SleepUntil, under which nothing runs. Widget events are not followed by it: the
  // window redraws after its own handlers. The hook must not pump.
  void SetAfterDispatch(std::function<void()> hook);

  // The application's main loop; returns at once when the quit came before it started
  // (Qt would otherwise run on, a quit outside its loop being lost).
  int RunUntilQuit();

 private:
  struct Shared;
  class Watcher;
  class QtTimer;

  std::chrono::steady_clock::time_point origin_;
  uint64_t start_;
  std::shared_ptr<Shared> shared_;
  std::unique_ptr<Watcher> watcher_;
};

}  // namespace tarvos::ui
