#include "link/tick_timer.h"

#include <algorithm>

namespace tarvos::link {

uint64_t TickNow(platform::EventLoop& loop) { return loop.ClockMs() / kTickMs; }

int64_t SecondsToTicks(int64_t seconds) {
  // Keeps the product in range for any span a timer can hold and more.
  const int64_t clamped = std::clamp<int64_t>(seconds, 0, int64_t{1} << 40);
  return clamped * 1675 / 92;
}

void TickTimer::Start(int64_t ticks) {
  started_ = true;
  start_ = TickNow(loop_);
  end_ = start_ + static_cast<uint64_t>(std::clamp<int64_t>(ticks, 0, kMaxTicks));
}

bool TickTimer::Expired() const { return !started_ || end_ < TickNow(loop_); }

uint64_t TickTimer::ElapsedTicks() const {
  if (!started_) return 0;
  return TickNow(loop_) - start_;
}

uint64_t TickTimer::ElapsedSeconds() const { return (ElapsedTicks() + 9) * 92 / 1675; }

bool TickWait(platform::EventLoop& loop, int64_t ticks, bool pump) {
  if (ticks < 1) return !loop.Quitting();
  TickTimer timer(loop);
  timer.Start(ticks);
  const uint64_t deadline = timer.ExpiryMs();
  // The loop may hand back control a little early (a real clock wakes when it likes),
  // so the timer, not the loop, decides when the wait is over.
  while (!timer.Expired()) {
    if (pump) {
      if (!loop.DispatchUntil(deadline)) return false;
    } else {
      loop.SleepUntil(deadline);
    }
  }
  return !loop.Quitting();
}

}  // namespace tarvos::link
