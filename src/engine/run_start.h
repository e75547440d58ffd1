#pragma once

#include "engine/result_store.h"
#include "engine/run_state.h"
#include "screen/screen.h"

namespace tarvos::engine {

// The state every run and pre-scan starts from: running, next index 1, the per-run flags
// and strikes cleared, the store cleared, phase Start. What happens at Start (validation,
// first frequency and level) is the sequencer's. A resumed run starts at first_index and
// keeps the results before it.
void StartRunState(RunState& run, ResultStore& results, screen::Screen& screen, bool pre_scan,
                   uint32_t first_index = 1);

}  // namespace tarvos::engine
