// How well the window's waits sleep: the lateness of QtEventLoop's pumping wait against
// its deadline, and the CPU it burns while waiting, on the offscreen platform. A run waits
// in 55 ms ticks; the loop should wake within a millisecond or two and cost next to no
// CPU. A plain program rather than a Google Benchmark: what matters is the spread of
// single waits, not a mean over many.

#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ui/qt_event_loop.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaits = 200;
constexpr uint64_t kWaitMs = 55;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Waits for the millisecond counter to tick over, so that the instant it reaches a
// deadline is known to well under a millisecond.
uint64_t AtMillisecondEdge(tarvos::ui::QtEventLoop& loop, Clock::time_point& edge) {
  const uint64_t before = loop.ClockMs();
  uint64_t now = before;
  while (now == before) now = loop.ClockMs();
  edge = Clock::now();
  return now;
}

struct Figures {
  double median_ms = 0;
  double p99_ms = 0;
  double max_ms = 0;
  int early = 0;
  double cpu_percent = 0;
};

template <typename Wait>
Figures Measure(tarvos::ui::QtEventLoop& loop, Wait wait) {
  std::vector<double> late_ms;
  late_ms.reserve(kWaits);
  int early = 0;
  double cpu = 0;
  double wall = 0;
  for (int i = 0; i < kWaits; ++i) {
    Clock::time_point edge;
    const uint64_t start = AtMillisecondEdge(loop, edge);
    const uint64_t deadline = start + kWaitMs;
    const double cpu_before = CpuSeconds();
    const auto wall_before = Clock::now();
    wait(deadline);
    const auto woke = Clock::now();
    cpu += CpuSeconds() - cpu_before;
    wall += std::chrono::duration<double>(woke - wall_before).count();
    if (loop.ClockMs() < deadline) ++early;
    const auto due = edge + std::chrono::milliseconds(kWaitMs);
    late_ms.push_back(std::chrono::duration<double, std::milli>(woke - due).count());
  }
  std::sort(late_ms.begin(), late_ms.end());
  Figures figures;
  figures.median_ms = late_ms[late_ms.size() / 2];
  figures.p99_ms = late_ms[late_ms.size() * 99 / 100];
  figures.max_ms = late_ms.back();
  figures.early = early;
  figures.cpu_percent = wall > 0 ? 100.0 * cpu / wall : 0;
  return figures;
}

void Print(const char* name, const Figures& f) {
  std::printf("%-34s late median %6.3f ms  p99 %6.3f ms  max %6.3f ms  early %d  cpu/wall %5.2f %%\n",
              name, f.median_ms, f.p99_ms, f.max_ms, f.early, f.cpu_percent);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tarvos::ui::QtEventLoop loop;
  int draws = 0;
  loop.SetAfterDispatch([&] { ++draws; });

  std::printf("qt_loop_bench: %d waits of %llu ms each\n", kWaits,
              static_cast<unsigned long long>(kWaitMs));
  Print("DispatchUntil, idle", Measure(loop, [&](uint64_t d) { loop.DispatchUntil(d); }));

  // The window's timers of a run in progress: the status poll and the strip chart, and a
  // fast one to make the wait wake up in between.
  std::vector<std::unique_ptr<tarvos::platform::Timer>> timers;
  int fired = 0;
  for (uint32_t interval : {5000u, 1000u, 20u}) {
    timers.push_back(loop.CreateTimer());
    timers.back()->SetCallback([&] { ++fired; });
    timers.back()->SetInterval(interval);
    timers.back()->SetEnabled(true);
  }
  Print("DispatchUntil, timers running", Measure(loop, [&](uint64_t d) { loop.DispatchUntil(d); }));
  for (auto& timer : timers) timer->SetEnabled(false);

  Print("SleepUntil", Measure(loop, [&](uint64_t d) { loop.SleepUntil(d); }));
  std::printf("timer firings %d, redraws %d\n", fired, draws);
  return EXIT_SUCCESS;
}
