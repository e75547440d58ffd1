#include <chrono>
#include <thread>

#include "platform/precise_sleep.h"

namespace tarvos::platform {

uint64_t MonotonicMs() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

// The steady clock's sleeps wake within a fraction of a millisecond here: nothing to set up.
PreciseSleeper::PreciseSleeper() = default;
PreciseSleeper::~PreciseSleeper() = default;

void PreciseSleeper::SleepUntil(uint64_t monotonic_ms) {
  std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::milliseconds(monotonic_ms))));
}

}  // namespace tarvos::platform
