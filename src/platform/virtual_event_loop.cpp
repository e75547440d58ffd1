#include "platform/virtual_event_loop.h"

#include <algorithm>
#include <utility>

namespace tarvos::platform {

VirtualEventLoop::VirtualEventLoop(uint32_t start_ms)
    : start_(start_ms), queue_([this] { return ClockMs(); }) {}

void VirtualEventLoop::AdvanceTo(uint64_t clock_ms) {
  if (clock_ms > ClockMs()) elapsed_ = clock_ms - start_;
}

bool VirtualEventLoop::DispatchUntil(uint64_t deadline_ms) {
  if (quitting_) return false;
  // Whatever is already overdue runs even when the deadline has passed, as a pumping
  // wait takes the messages that are waiting.
  for (;;) {
    const auto next = queue_.NextDue();
    const uint64_t limit = std::max(deadline_ms, ClockMs());
    if (!next || *next > limit) break;
    AdvanceTo(*next);
    queue_.RunOneDue(ClockMs());
    if (quitting_) return false;
  }
  AdvanceTo(deadline_ms);
  return !quitting_;
}

void VirtualEventLoop::SleepUntil(uint64_t deadline_ms) { AdvanceTo(deadline_ms); }

void VirtualEventLoop::Post(std::function<void()> action) {
  queue_.ScheduleAt(ClockMs(), std::move(action));
}

void VirtualEventLoop::ScheduleAt(uint64_t clock_ms, std::function<void()> action) {
  queue_.ScheduleAt(clock_ms, std::move(action));
}

void VirtualEventLoop::ScheduleAfter(uint64_t delay_ms, std::function<void()> action) {
  queue_.ScheduleAt(ClockMs() + delay_ms, std::move(action));
}

}  // namespace tarvos::platform
