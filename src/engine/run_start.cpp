#include "engine/run_start.h"

#include "engine/result_operations.h"

namespace tarvos::engine {

void StartRunState(RunState& run, ResultStore& results, screen::Screen& screen, bool pre_scan) {
  run.Running = true;
  run.PreScanRunning = pre_scan;
  run.StopRequested = false;
  // A loop left by the previous run must not end this one before its first pass.
  run.LoopDone = false;
  run.EutFaultLatched = false;
  run.RangeStrike = false;
  run.RangeErrorTaken = false;
  run.LevellingActive = false;
  run.DwellHold = false;
  results.ResultsFromFile = false;
  results.NextIndex = 1;
  ClearResults(results, screen);
  run.Phase = RunPhase::Start;
}

}  // namespace tarvos::engine
