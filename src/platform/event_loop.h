#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tarvos::platform {

// A window timer: fires its callback every interval while enabled, from inside the
// event loop (the main loop or any pumping wait). Enabling, or changing the interval of
// an enabled timer, starts the interval anew. An interval of 0 never fires.
// A callback may run again inside itself when it waits with pumping, as window
// timers do; callers that must not be re-entered disable their timer first.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(uint32_t interval_ms) = 0;
  virtual uint32_t Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetCallback(std::function<void()> callback) = 0;
};

// Counts the wraps of the 32-bit millisecond counter, so that times and deadlines are
// plain 64-bit numbers. It must see the counter at least once per wrap period
// (49.7 days); every wait and timer reads it far more often.
class WrapCounter {
 public:
  uint64_t Extend(uint32_t now) {
    if (seen_ && now < last_) ++wraps_;
    seen_ = true;
    last_ = now;
    return (wraps_ << 32) | now;
  }

 private:
  bool seen_ = false;
  uint32_t last_ = 0;
  uint64_t wraps_ = 0;
};

// The program's clock, its waits and its timers.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // The 32-bit millisecond counter the program reads; it wraps every 49.7 days.
  virtual uint32_t NowMs() = 0;
  // NowMs with its wraps counted: never goes back. Deadlines are on this clock.
  virtual uint64_t ClockMs() { return wraps_.Extend(NowMs()); }

  // Pumping wait: runs window events, posted actions and due timers until ClockMs()
  // reaches the deadline. Returns false (at once, or as soon as it is seen) when the
  // application is quitting; the quit stays in force for every later wait.
  virtual bool DispatchUntil(uint64_t deadline_ms) = 0;
  // Non-pumping wait: nothing runs until the deadline.
  virtual void SleepUntil(uint64_t deadline_ms) = 0;

  virtual std::unique_ptr<Timer> CreateTimer() = 0;
  // Runs the action at the next pass of the event loop (as a posted window message).
  virtual void Post(std::function<void()> action) = 0;
  virtual void Beep() = 0;

  virtual void Quit() = 0;
  virtual bool Quitting() const = 0;

 private:
  WrapCounter wraps_;
};

}  // namespace tarvos::platform
