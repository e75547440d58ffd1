#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/event_loop.h"
#include "platform/timer_queue.h"

namespace tarvos::platform {

// Virtual time: a wait jumps the clock to the next due timer or scheduled action, runs
// it, and goes on to its deadline. Whole scans run in milliseconds, and always the same
// way. The 32-bit counter may start anywhere, just before its wrap included.
class VirtualEventLoop final : public EventLoop {
 public:
  explicit VirtualEventLoop(uint32_t start_ms = 0);

  uint32_t NowMs() override { return static_cast<uint32_t>(ClockMs()); }
  uint64_t ClockMs() override { return start_ + elapsed_; }

  bool DispatchUntil(uint64_t deadline_ms) override;
  void SleepUntil(uint64_t deadline_ms) override;
  std::unique_ptr<Timer> CreateTimer() override { return queue_.CreateTimer(); }
  void Post(std::function<void()> action) override;
  void Beep() override { ++beeps_; }
  void Quit() override { quitting_ = true; }
  bool Quitting() const override { return quitting_; }

  // Runs the action when the clock reaches the time (in a pumping wait).
  void ScheduleAt(uint64_t clock_ms, std::function<void()> action);
  void ScheduleAfter(uint64_t delay_ms, std::function<void()> action);
  // A pumping wait of the given length; false when the application is quitting.
  bool RunFor(uint64_t ms) { return DispatchUntil(ClockMs() + ms); }

  // Milliseconds of virtual time since the loop was made.
  uint64_t ElapsedMs() const { return elapsed_; }
  int Beeps() const { return beeps_; }

 private:
  void AdvanceTo(uint64_t clock_ms);

  uint64_t start_;
  uint64_t elapsed_ = 0;
  bool quitting_ = false;
  int beeps_ = 0;
  TimerQueue queue_;
};

}  // namespace tarvos::platform
