#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/event_loop.h"
#include "platform/precise_sleep.h"
#include "platform/timer_queue.h"

namespace tarvos::platform {

// The event loop of runs without a window: the system's monotonic clock, and waits that
// sleep until the next timer or the deadline (no spinning).
class SystemEventLoop final : public EventLoop {
 public:
  // start_ms: what the 32-bit counter reads at construction, so that a run can be
  // started just before its wrap.
  explicit SystemEventLoop(uint32_t start_ms = 0);

  uint32_t NowMs() override { return static_cast<uint32_t>(ClockMs()); }
  uint64_t ClockMs() override;

  bool DispatchUntil(uint64_t deadline_ms) override;
  void SleepUntil(uint64_t deadline_ms) override;
  std::unique_ptr<Timer> CreateTimer() override { return queue_.CreateTimer(); }
  void Post(std::function<void()> action) override;
  void Beep() override;
  void Quit() override { quitting_ = true; }
  bool Quitting() const override { return quitting_; }

  // Runs events until Quit.
  void RunUntilQuit();

 private:
  void SleepUntilClock(uint64_t clock_ms);

  uint64_t origin_;  // MonotonicMs at construction
  uint64_t start_;
  PreciseSleeper sleeper_;
  bool quitting_ = false;
  TimerQueue queue_;
};

}  // namespace tarvos::platform
