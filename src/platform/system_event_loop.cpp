#include "platform/system_event_loop.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/system_paths.h"

namespace tarvos::platform {

SystemEventLoop::SystemEventLoop(uint32_t start_ms)
    : origin_(MonotonicMs()), start_(start_ms), queue_([this] { return ClockMs(); }) {}

uint64_t SystemEventLoop::ClockMs() { return start_ + (MonotonicMs() - origin_); }

namespace {

// A wait without end sleeps in slices of a year, so that no deadline overflows.
constexpr uint64_t kLongestSleepMs = uint64_t{365} * 24 * 60 * 60 * 1000;

}  // namespace

void SystemEventLoop::SleepUntilClock(uint64_t clock_ms) {
  const uint64_t now = ClockMs();
  if (clock_ms <= now) return;
  sleeper_.SleepUntil(MonotonicMs() + std::min(clock_ms - now, kLongestSleepMs));
}

bool SystemEventLoop::DispatchUntil(uint64_t deadline_ms) {
  for (;;) {
    if (quitting_) return false;
    const uint64_t now = ClockMs();
    if (queue_.RunOneDue(now)) continue;
    if (now >= deadline_ms) return true;
    const auto next = queue_.NextDue();
    SleepUntilClock(next ? std::min(*next, deadline_ms) : deadline_ms);
  }
}

void SystemEventLoop::SleepUntil(uint64_t deadline_ms) {
  while (ClockMs() < deadline_ms) SleepUntilClock(deadline_ms);
}

void SystemEventLoop::Post(std::function<void()> action) {
  queue_.ScheduleAt(ClockMs(), std::move(action));
}

void SystemEventLoop::Beep() {
  // The terminal bell, on the error stream so that it never mixes with results, and
  // only where a person is watching.
  if (!ErrorStreamIsTerminal()) return;
  std::fputc('\a', stderr);
  std::fflush(stderr);
}

void SystemEventLoop::RunUntilQuit() {
  while (DispatchUntil(std::numeric_limits<uint64_t>::max())) {
  }
}

}  // namespace tarvos::platform
