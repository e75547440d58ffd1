#pragma once

#include <cstdint>

#include "platform/event_loop.h"

namespace tarvos::link {

// Every wait and timeout of the program counts ticks of 55 ms on the millisecond clock.
inline constexpr uint64_t kTickMs = 55;
// The longest span a timer accepts: the ticks in half the range of the 32-bit
// millisecond counter.
inline constexpr int64_t kMaxTicks = 39045157;

// The tick clock: the loop's 64-bit millisecond clock divided by 55. Because the loop
// counts the wraps of its 32-bit counter, the tick clock never goes back and no timer,
// wait or elapsed time needs a wrap correction.
uint64_t TickNow(platform::EventLoop& loop);

// Whole seconds to ticks, rounded down (negative spans count as 0).
int64_t SecondsToTicks(int64_t seconds);

// A deadline in ticks. A timer that was never started counts as expired.
class TickTimer {
 public:
  explicit TickTimer(platform::EventLoop& loop) : loop_(loop) {}

  // Ticks below 0 count as 0 and above kMaxTicks as kMaxTicks.
  void Start(int64_t ticks);
  // True once the tick clock has passed the end tick; so Start(n) expires between n
  // and n + 1 ticks later, depending on where in its tick it was started.
  bool Expired() const;
  uint64_t ElapsedTicks() const;
  // (ticks + 9) * 92 / 1675: about the nearest whole second (9 ticks are 0.49 s).
  uint64_t ElapsedSeconds() const;
  // The first millisecond of the loop's clock at which Expired() is true.
  uint64_t ExpiryMs() const { return (end_ + 1) * kTickMs; }
  bool Started() const { return started_; }

 private:
  platform::EventLoop& loop_;
  bool started_ = false;
  uint64_t start_ = 0;
  uint64_t end_ = 0;
};

// Waits the given number of ticks (none when below 1). A pumping wait runs window
// events and due timers meanwhile; a non-pumping one lets nothing run and always
// waits out its time. Returns false when the application is quitting: a quit ends a
// pumping wait at once, and every later pumping wait returns at once.
bool TickWait(platform::EventLoop& loop, int64_t ticks, bool pump);

}  // namespace tarvos::link
