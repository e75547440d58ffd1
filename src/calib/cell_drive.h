#pragma once

#include <cstdint>

#include "calib/cell_table.h"
#include "engine/result_store.h"
#include "platform/operator.h"
#include "screen/screen.h"

namespace tarvos::calib {

// The level set point (1..65535) that holds the target field at the frequency. As a
// side effect stores set point / target in the ProbeScale entry of the store's next
// index and shows the unclamped set point in the diagnostics window.
// end_frequency_hz: the setup's EndFrequency, used above the cell's MaxFrequency.
uint16_t CellDrive(const CellTable& cell, uint32_t end_frequency_hz, uint32_t frequency_hz,
                   double target, engine::ResultStore& results, screen::Screen& screen,
                   platform::Operator& op);

}  // namespace tarvos::calib
