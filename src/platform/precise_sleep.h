#pragma once

#include <cstdint>

namespace tarvos::platform {

// The system's monotonic millisecond clock: the steady clock on Linux, the
// high-resolution performance counter on Windows (CounterMs of its count, kept in 64 bits
// so that it never wraps).
uint64_t MonotonicMs();

// A count of a counter of the frequency (counts a second) in whole milliseconds, seconds
// and remainder apart: no drift for a frequency of no whole number of kilohertz.
constexpr uint64_t CounterMs(uint64_t count, uint64_t frequency) {
  return count / frequency * 1000 + count % frequency * 1000 / frequency;
}

// Sleeps (no spinning) until MonotonicMs reaches the deadline, waking within a
// millisecond or two of it: on Windows through a high-resolution waitable timer, or with
// the system timer at 1 ms where there is none.
class PreciseSleeper {
 public:
  PreciseSleeper();
  ~PreciseSleeper();
  PreciseSleeper(const PreciseSleeper&) = delete;
  PreciseSleeper& operator=(const PreciseSleeper&) = delete;

  void SleepUntil(uint64_t monotonic_ms);

 private:
  void* timer_ = nullptr;        // the waitable timer (Windows)
  bool raised_period_ = false;   // timeBeginPeriod(1) taken (Windows)
};

}  // namespace tarvos::platform
