#pragma once

// The main window on the simulated test set, on the real clock, as the window benchmarks
// run it: a QtEventLoop, the simulator, an operator that answers every box at once, the
// station and the main window with its graph. The program folder is a fresh copy of the
// sample data, removed again at the end.

#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "station/station.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"
#include "ui/station_reports.h"

namespace tarvos::bench {

inline constexpr const char* kSimBench = "fennix-salvo";
inline constexpr uint64_t kSimSeed = 1;
// The cell serial number start-up asks for; the sample folder holds its calibration.
inline constexpr const char* kCellSerial = "10";

// Process CPU time (user and system), seconds.
inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The system's monotonic clock in nanoseconds: the same clock in every process, so a
// driver can set a child's moments against its own.
inline int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// A new folder holding a copy of the sample data; removed when the object goes.
class SeededFolder {
 public:
  SeededFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvos-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    for (const auto& entry : std::filesystem::directory_iterator(TARVOS_DATA_DIR)) {
      std::filesystem::copy_file(entry.path(), pattern + "/" + entry.path().filename().string());
    }
    path_ = pattern + "/";
  }
  ~SeededFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  SeededFolder(const SeededFolder&) = delete;
  SeededFolder& operator=(const SeededFolder&) = delete;
  // Ends with "/"; empty when the folder could not be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline station::ClockReading LocalClock() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return station::ClockReading{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                               parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

// Sets the Qt platform: the display named, else offscreen.
inline void ChoosePlatform() {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
}

// The window, started as the program starts it: the station's start-up timer runs
// start-up 2500 ms after the station is made. Construct after the QApplication.
class WindowRig {
 public:
  explicit WindowRig(const std::string& folder)
      : station_(station::StationParts{loop_, sim_, op_, folder, LocalClock}) {
    op_.QueueInput(kCellSerial);
    ui::WindowHooks hooks;
    hooks.DrawGraph = [this] { return ui::StationGraph(station_, op_); };
    created_ns_ = MonotonicNs();  // the start-up timer runs from the station's making
    window_ = std::make_unique<ui::MainWindow>(station_, hooks);
    loop_.SetAfterDispatch([this] {
      window_->Refresh();
      if (ready_ns_ == 0 && Ready()) {
        ready_ns_ = MonotonicNs();
        if (on_ready_) on_ready_();
      }
      if (after_dispatch_) after_dispatch_();
    });
  }
  ~WindowRig() {
    loop_.SetAfterDispatch(nullptr);
    if (!station_.Closed()) station_.Close();
  }
  WindowRig(const WindowRig&) = delete;
  WindowRig& operator=(const WindowRig&) = delete;

  // Start-up has ended: the splash is gone and the buttons are live.
  bool Ready() { return station_.StartedUp() && !station_.Screen().splash.visible; }
  // Runs once, right after the pass of the loop in which start-up ended.
  void OnReady(std::function<void()> action) { on_ready_ = std::move(action); }
  // Runs after every pass of a wait, timer callback and posted action.
  void AfterDispatch(std::function<void()> action) { after_dispatch_ = std::move(action); }
  // The monotonic moment start-up was seen to end; 0 before.
  int64_t ReadyNs() const { return ready_ns_; }
  // The monotonic moment the station (and with it the start-up timer) was made.
  int64_t CreatedNs() const { return created_ns_; }

  ui::QtEventLoop& Loop() { return loop_; }
  platform::ScriptedOperator& Op() { return op_; }
  station::Station& Station() { return station_; }
  ui::MainWindow& Window() { return *window_; }

 private:
  ui::QtEventLoop loop_;
  sim::SimulatedTestSet sim_{*sim::MakeBench(kSimBench), kSimSeed,
                             [this] { return loop_.ClockMs(); }};
  platform::ScriptedOperator op_;
  station::Station station_;
  std::unique_ptr<ui::MainWindow> window_;
  std::function<void()> on_ready_;
  std::function<void()> after_dispatch_;
  int64_t ready_ns_ = 0;
  int64_t created_ns_ = 0;
};

// What start-up's own waits add up to: the same start-up on virtual time, where only the
// waits move the clock. The real start-up takes this plus the program's work.
inline uint64_t StartUpWaitsMs() {
  SeededFolder folder;
  if (folder.Path().empty()) return 0;
  platform::VirtualEventLoop loop;
  sim::SimulatedTestSet sim(*sim::MakeBench(kSimBench), kSimSeed,
                            [&loop] { return loop.ClockMs(); });
  platform::ScriptedOperator op;
  op.QueueInput(kCellSerial);
  station::Station station(station::StationParts{loop, sim, op, folder.Path(), LocalClock});
  const uint64_t before = loop.ElapsedMs();
  station.StartUp();
  const uint64_t waits = loop.ElapsedMs() - before;
  station.Close();
  return waits;
}

}  // namespace tarvos::bench
