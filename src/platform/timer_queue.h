#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/event_loop.h"

namespace tarvos::platform {

// The timers and pending actions of an event loop, on its 64-bit millisecond clock.
// Both Qt-free loops run their dispatch on it; they differ only in how time passes.
class TimerQueue {
 public:
  // clock: the owning loop's ClockMs.
  explicit TimerQueue(std::function<uint64_t()> clock);

  std::unique_ptr<Timer> CreateTimer();
  void ScheduleAt(uint64_t due_ms, std::function<void()> action);

  // The earliest time at which something is due, if anything is.
  std::optional<uint64_t> NextDue() const;
  // Runs the one earliest item due at or before `now` (actions before timers at the
  // same time, then in the order they were set). Returns false when nothing was due.
  bool RunOneDue(uint64_t now);

 private:
  struct TimerState {
    uint32_t Interval = 0;
    bool Enabled = false;
    uint64_t Due = 0;
    uint64_t Order = 0;
    std::function<void()> Callback;
  };
  class QueuedTimer;

  void Arm(TimerState& state);
  TimerState* EarliestTimer() const;

  std::function<uint64_t()> clock_;
  uint64_t order_ = 0;
  std::multimap<std::pair<uint64_t, uint64_t>, std::function<void()>> actions_;
  std::vector<std::weak_ptr<TimerState>> timers_;
};

}  // namespace tarvos::platform
