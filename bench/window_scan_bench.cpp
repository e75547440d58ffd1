// The window during a scan on the real clock: a scan on the simulated test set, run from
// the RUN button of the main window with the graph redrawn as the window redraws it, and
// the process's CPU time over the run's wall time. The run waits on the instruments
// nearly all the time, so the figure should stay well under 2 % of a core. Also the time
// from the program's start to the end of start-up, and what start-up's own waits add up
// to. On the offscreen platform unless a display is named.
//
//   window_scan_bench [--setup FILE.STP]
//
// Without a setup file the operator types a short standard scan (100 to 120 MHz in 5 %
// steps, 3 V/m, 1 s dwell); with one, the file is opened as File > Open does.
// The last line is for the bench driver: "result: key=value ...".

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/result_operations.h"
#include "window_rig.h"

namespace {

using tarvos::bench::MonotonicNs;

struct Figures {
  double cpu_s = 0;
  double wall_s = 0;
  unsigned steps = 0;
  bool opened = true;
};

}  // namespace

int main(int argc, char** argv) {
  const int64_t began_ns = MonotonicNs();
  std::string setup_path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--setup") == 0 && i + 1 < argc) {
      setup_path = argv[++i];
    } else {
      std::fprintf(stderr, "usage: window_scan_bench [--setup FILE.STP]\n");
      return 2;
    }
  }
  tarvos::bench::ChoosePlatform();
  QApplication application(argc, argv);
  tarvos::bench::SeededFolder folder;
  if (folder.Path().empty()) return 1;

  Figures figures;
  int64_t ready_ns = 0;
  int64_t station_ns = 0;
  {
    tarvos::bench::WindowRig rig(folder.Path());
    tarvos::station::Station& station = rig.Station();
    rig.OnReady([&] {
      // Start-up ran inside the start-up timer's callback: the run starts from a posted
      // action, as the operator's click would come, not inside that callback.
      rig.Loop().Post([&] {
        if (setup_path.empty()) {
          auto& panel = station.Screen().setup;
          panel.start.text = "100";
          panel.finish.text = "120";
          panel.step.text = "5";
          panel.field.text = "3";
          panel.dwell.text = "1";
          station.LeaveSetupField();
        } else {
          figures.opened = station.Files().OpenSetupFrom(setup_path);
        }
        rig.Window().Refresh();
        QPushButton* run = rig.Window().ButtonNamed("RUN");
        if (figures.opened && run != nullptr) {
          const double cpu_before = tarvos::bench::CpuSeconds();
          const auto wall_before = std::chrono::steady_clock::now();
          run->click();  // returns when the run has ended
          figures.wall_s =
              std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
          figures.cpu_s = tarvos::bench::CpuSeconds() - cpu_before;
          figures.steps = tarvos::engine::ResultCount(station.Results());
        }
        rig.Loop().Quit();
      });
    });
    rig.Window().show();
    rig.Loop().RunUntilQuit();
    ready_ns = rig.ReadyNs();
    station_ns = rig.CreatedNs();
  }
  const uint64_t startup_waits_ms = tarvos::bench::StartUpWaitsMs();

  const double cpu_percent = figures.wall_s > 0 ? 100.0 * figures.cpu_s / figures.wall_s : 0.0;
  const double ready_ms = ready_ns > 0 ? static_cast<double>(ready_ns - began_ns) / 1e6 : 0.0;
  const std::string what = setup_path.empty() ? "100-120 MHz, 5 %, 1 s dwell" : setup_path;
  std::printf("window scan (%s, %s platform)\n", what.c_str(),
              QGuiApplication::platformName().toUtf8().constData());
  std::printf(
      "  steps %u   wall %.2f s   CPU %.3f s   CPU/wall %.2f %% of one core (goal <= 2 %%)\n",
      figures.steps, figures.wall_s, figures.cpu_s, cpu_percent);
  std::printf(
      "  start-up: ready %.0f ms after main, of which %u ms start-up timer and %llu ms "
      "start-up waits\n",
      ready_ms, tarvos::station::kStartUpMs, static_cast<unsigned long long>(startup_waits_ms));
  std::printf(
      "result: steps=%u wall_s=%.3f cpu_s=%.4f cpu_percent=%.3f main_ns=%lld "
      "station_ns=%lld ready_ns=%lld start_timer_ms=%u startup_waits_ms=%llu platform=%s\n",
      figures.steps, figures.wall_s, figures.cpu_s, cpu_percent, static_cast<long long>(began_ns),
      static_cast<long long>(station_ns), static_cast<long long>(ready_ns),
      tarvos::station::kStartUpMs, static_cast<unsigned long long>(startup_waits_ms),
      QGuiApplication::platformName().toUtf8().constData());
  if (!figures.opened) std::fprintf(stderr, "window_scan_bench: %s did not open\n", what.c_str());
  return figures.steps > 0 ? 0 : 1;
}
