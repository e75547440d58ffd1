#include <windows.h>
#include <mmsystem.h>

#include "platform/precise_sleep.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace tarvos::platform {
namespace {

int64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

}  // namespace

// The performance counter in milliseconds: whole seconds and the remainder apart, so that
// a frequency that is no whole number of kilohertz (3.579545 MHz) does not drift and the
// product stays within 64 bits for centuries.
uint64_t MonotonicMs() {
  static const int64_t frequency = CounterFrequency();
  if (frequency <= 0) return static_cast<uint64_t>(::GetTickCount64());
  LARGE_INTEGER count{};
  ::QueryPerformanceCounter(&count);
  return CounterMs(static_cast<uint64_t>(count.QuadPart), static_cast<uint64_t>(frequency));
}

PreciseSleeper::PreciseSleeper() {
  // Plain sleeps and timers wake on the system tick (15.6 ms by default): a
  // high-resolution timer where the system has one, else the tick set to 1 ms.
  timer_ = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
  if (timer_ == nullptr) {
    raised_period_ = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    timer_ = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  }
}

PreciseSleeper::~PreciseSleeper() {
  if (timer_ != nullptr) ::CloseHandle(timer_);
  if (raised_period_) ::timeEndPeriod(1);
}

void PreciseSleeper::SleepUntil(uint64_t monotonic_ms) {
  for (;;) {
    const uint64_t now = MonotonicMs();
    if (now >= monotonic_ms) return;
    const uint64_t wait_ms = monotonic_ms - now;
    if (timer_ == nullptr) {
      ::Sleep(static_cast<DWORD>(wait_ms > 0x7FFFFFFF ? 0x7FFFFFFF : wait_ms));
      continue;
    }
    // Relative due time, in 100 ns units (negative).
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(wait_ms) * 10000;
    if (!::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
      ::Sleep(static_cast<DWORD>(wait_ms > 0x7FFFFFFF ? 0x7FFFFFFF : wait_ms));
      continue;
    }
    ::WaitForSingleObject(timer_, INFINITE);
  }
}

}  // namespace tarvos::platform
