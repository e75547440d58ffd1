#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "calib/cell_table.h"
#include "engine/result_store.h"
#include "engine/run_state.h"
#include "link/adapter_access.h"
#include "link/command_set.h"
#include "link/tick_timer.h"
#include "platform/event_loop.h"
#include "platform/operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"
#include "setup/validation.h"

namespace tarvos::engine {

// The sequencer's tick timers.
struct RunTimers {
  explicit RunTimers(platform::EventLoop& loop)
      : WarmUp(loop), Settle(loop), Dwell(loop), Elapsed(loop) {}
  link::TickTimer WarmUp;   // 90 ticks at Start: delays the first step only
  link::TickTimer Settle;   // 36 ticks while levelling, 500 for the read-back
  link::TickTimer Dwell;    // dwell seconds x 18 ticks
  link::TickTimer Elapsed;  // started at Start; the Total field
};

// The window timers the engine drives (owned by the station).
struct WindowTimers {
  platform::Timer& StatusPoll;       // 5000 ms
  platform::Timer& ModulationDelay;  // 3000 ms, single frequency
  platform::Timer& StripChart;       // 1000 ms, single frequency
  platform::Timer& EutPulse;         // 1000 ms
};

// Everything the engine reads and writes, and the station's hooks.
struct EngineContext {
  platform::EventLoop& Loop;
  platform::Operator& Op;
  screen::Screen& Screen;
  link::AdapterAccess& Access;
  link::CommandSet& Commands;
  setup::TestSetup& Setup;
  setup::ValidationState& Validation;
  setup::SetupValidation& Validate;
  const calib::CellTable& Cell;
  ResultStore& Results;
  PreScanTable& PreScan;
  RunState& Run;
  RunTimers& Timers;
  WindowTimers Window;

  // Reloads the installed cell's calibration (a run starts with the file as it is now).
  std::function<void()> ReloadCellTable;
  // Saves the pre-scan just done as "tempprescan.psc" from the store's frequencies;
  // shows its own error and returns whether it saved.
  std::function<bool()> SaveTempPreScan;
  // A graph redraw; the station keeps entry 0 equal to entry 1 in the scan modes.
  std::function<void()> Redraw;
  // A repaint of the main window.
  std::function<void()> Repaint;
  // A step was recorded into the entry at the index (before next index moves on).
  std::function<void(uint32_t index)> Recorded;
  // The run has ended (after its message), with its reason.
  std::function<void(EndReason reason)> RunEnded;
  // The time of day the clock last took, as "h:nn:ss" (the strip chart's marks).
  std::function<std::string()> TimeOfDay;

  // For the run's log, set after construction.
  // RUN or PRE-SCAN begins a run, before its first command: the moment its time counts from.
  std::function<void()> RunBegins;
  // A run or pre-scan starts (its state is reset; its first step is yet to come).
  std::function<void()> RunStarted;
  // A strip-chart sample was taken into the entry at the index.
  std::function<void(uint32_t index)> Sampled;
  // The cannot-reach question, and the operator's answer to it.
  std::function<void(const std::string& question)> Asked;
  std::function<void(bool yes)> Answered;
};

inline void Call(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace tarvos::engine
