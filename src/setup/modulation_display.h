#pragma once

#include <cstdint>

#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::setup {

// The list or radio index of a table value: -1 (no selection) for a value outside the
// table's items, so a stray byte from a file never picks an item.
int ChoiceIndexOf(uint8_t value, int items);

inline constexpr int kModulationItems = 5;
inline constexpr int kEutModeItems = 3;
inline constexpr int kRangeItems = 3;

// Both depth labels, the monitor's modulation text and the selection of both lists.
void ShowModulation(const TestSetup& setup, screen::Screen& screen);
// The monitor's mode label; a TestMode without a label leaves it as it is.
void ShowModeLabel(const TestSetup& setup, screen::Screen& screen);

}  // namespace tarvos::setup
