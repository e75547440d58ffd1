#include "engine/run_start.h"

#include <algorithm>
#include <vector>

#include "engine/result_operations.h"

namespace tarvos::engine {

void StartRunState(RunState& run, ResultStore& results, screen::Screen& screen, bool pre_scan,
                   uint32_t first_index) {
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
  const uint32_t first = std::clamp<uint32_t>(first_index, 1, kMaxResults);
  const std::vector<ResultPoint> kept(results.Entries.begin() + 1,
                                      results.Entries.begin() + first);
  ClearResults(results, screen);
  std::copy(kept.begin(), kept.end(), results.Entries.begin() + 1);
  results.NextIndex = first;
  run.Phase = RunPhase::Start;
}

}  // namespace tarvos::engine
