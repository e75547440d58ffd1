// The window during a scan on the real clock: a short standard scan on the simulated
// test set, run from the RUN button of the main window with the graph redrawn as the
// window redraws it, and the process's CPU time over the run's wall time. The run waits
// on the instruments nearly all the time, so the figure should stay well under 2 % of a
// core. On the offscreen platform unless a display is named.

#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "engine/result_operations.h"
#include "platform/scripted_operator.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "station/station.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"
#include "ui/station_reports.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string SeededFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  for (const auto& entry : std::filesystem::directory_iterator(TARVOS_DATA_DIR)) {
    std::filesystem::copy_file(entry.path(), pattern + "/" + entry.path().filename().string());
  }
  return pattern + "/";
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  const std::string folder = SeededFolder();
  if (folder.empty()) return 1;

  tarvos::ui::QtEventLoop loop;
  tarvos::sim::SimulatedTestSet sim(*tarvos::sim::MakeBench("fennix-salvo"), 1,
                                    [&loop] { return loop.ClockMs(); });
  tarvos::platform::ScriptedOperator op;  // answers every box at once
  op.QueueInput("10");
  tarvos::station::Station station(tarvos::station::StationParts{
      loop, sim, op, folder, [] {
        const std::time_t now = std::time(nullptr);
        std::tm parts{};
        localtime_r(&now, &parts);
        return tarvos::station::ClockReading{parts.tm_year + 1900, parts.tm_mon + 1,
                                             parts.tm_mday, parts.tm_hour, parts.tm_min,
                                             parts.tm_sec};
      }});
  tarvos::ui::WindowHooks hooks;
  hooks.DrawGraph = [&] { return tarvos::ui::StationGraph(station, op); };
  tarvos::ui::MainWindow window(station, hooks);
  loop.SetAfterDispatch([&window] { window.Refresh(); });
  window.show();

  double cpu = 0, wall = 0;
  unsigned steps = 0;
  auto starter = loop.CreateTimer();
  starter->SetInterval(100);
  starter->SetCallback([&] {
    // Start-up pumps while it searches the adapters: wait for its end.
    if (!station.StartedUp() || station.Screen().splash.visible) return;
    starter->SetEnabled(false);
    auto& panel = station.Screen().setup;
    panel.start.text = "100";
    panel.finish.text = "120";
    panel.step.text = "5";
    panel.field.text = "3";
    panel.dwell.text = "1";
    station.LeaveSetupField();
    window.Refresh();
    const double cpu_before = CpuSeconds();
    const auto began = std::chrono::steady_clock::now();
    station.PressRun();  // returns when the run has ended
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    cpu = CpuSeconds() - cpu_before;
    steps = tarvos::engine::ResultCount(station.Results());
    loop.Quit();
  });
  starter->SetEnabled(true);
  loop.RunUntilQuit();
  station.Close();
  std::filesystem::remove_all(folder);

  std::printf("window scan (100-120 MHz, 5 %%, 1 s dwell, %s platform)\n",
              QGuiApplication::platformName().toUtf8().constData());
  std::printf("  steps %u   wall %.2f s   CPU %.3f s   CPU/wall %.2f %% of one core (goal <= 2 %%)\n",
              steps, wall, cpu, wall > 0 ? 100.0 * cpu / wall : 0.0);
  return steps > 0 ? 0 : 1;
}
