#include "platform/timer_queue.h"

#include <algorithm>

namespace tarvos::platform {

class TimerQueue::QueuedTimer final : public Timer {
 public:
  QueuedTimer(TimerQueue& queue, std::shared_ptr<TimerState> state)
      : queue_(queue), state_(std::move(state)) {}

  void SetInterval(uint32_t interval_ms) override {
    state_->Interval = interval_ms;
    if (state_->Enabled) queue_.Arm(*state_);
  }
  uint32_t Interval() const override { return state_->Interval; }
  void SetEnabled(bool enabled) override {
    if (enabled && !state_->Enabled) {
      state_->Enabled = true;
      queue_.Arm(*state_);
    } else if (!enabled) {
      state_->Enabled = false;
    }
  }
  bool Enabled() const override { return state_->Enabled; }
  void SetCallback(std::function<void()> callback) override {
    state_->Callback = std::move(callback);
  }

 private:
  TimerQueue& queue_;
  std::shared_ptr<TimerState> state_;
};

TimerQueue::TimerQueue(std::function<uint64_t()> clock) : clock_(std::move(clock)) {}

std::unique_ptr<Timer> TimerQueue::CreateTimer() {
  auto state = std::make_shared<TimerState>();
  // Drop the records of timers that are gone before adding another.
  std::erase_if(timers_, [](const std::weak_ptr<TimerState>& t) { return t.expired(); });
  timers_.push_back(state);
  return std::make_unique<QueuedTimer>(*this, std::move(state));
}

void TimerQueue::ScheduleAt(uint64_t due_ms, std::function<void()> action) {
  actions_.emplace(std::make_pair(due_ms, order_++), std::move(action));
}

void TimerQueue::Arm(TimerState& state) {
  state.Due = clock_() + state.Interval;
  state.Order = order_++;
}

TimerQueue::TimerState* TimerQueue::EarliestTimer() const {
  TimerState* best = nullptr;
  for (const auto& weak : timers_) {
    auto timer = weak.lock();
    if (!timer || !timer->Enabled || timer->Interval == 0) continue;
    if (!best || std::make_pair(timer->Due, timer->Order) < std::make_pair(best->Due, best->Order)) {
      best = timer.get();
    }
  }
  return best;
}

std::optional<uint64_t> TimerQueue::NextDue() const {
  std::optional<uint64_t> next;
  if (!actions_.empty()) next = actions_.begin()->first.first;
  if (const TimerState* timer = EarliestTimer()) {
    next = next ? std::min(*next, timer->Due) : timer->Due;
  }
  return next;
}

bool TimerQueue::RunOneDue(uint64_t now) {
  TimerState* timer = EarliestTimer();
  const bool action_due = !actions_.empty() && actions_.begin()->first.first <= now;
  const bool timer_due = timer && timer->Due <= now;
  if (action_due && (!timer_due || actions_.begin()->first.first <= timer->Due)) {
    auto node = actions_.extract(actions_.begin());
    node.mapped()();
    return true;
  }
  if (!timer_due) return false;

  // Keep the timer's record alive through its callback, which may destroy the timer.
  std::shared_ptr<TimerState> keep;
  for (const auto& weak : timers_) {
    if (auto t = weak.lock(); t.get() == timer) keep = std::move(t);
  }
  // The next firing is set before the callback so that a wait inside it can fire the
  // timer again, as window timers do. Firings missed while nothing pumped are not
  // caught up one by one.
  keep->Due += keep->Interval;
  if (keep->Due <= now) keep->Due = now + keep->Interval;
  keep->Order = order_++;
  auto callback = keep->Callback;
  if (callback) callback();
  return true;
}

}  // namespace tarvos::platform
