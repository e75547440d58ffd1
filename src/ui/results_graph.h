#pragma once

#include <QColor>
#include <QImage>
#include <cstdint>
#include <string_view>

#include "calib/cell_table.h"
#include "calib/settings.h"
#include "engine/result_store.h"
#include "platform/operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::ui {

inline constexpr int kGraphWidth = 660;
inline constexpr int kGraphHeight = 284;

// The plot area, as the canvas's rectangles take it (right and bottom edges excluded:
// the frame's right column is x 631, its bottom row y 253).
inline constexpr int kPlotLeft = 32;
inline constexpr int kPlotRight = 632;
inline constexpr int kPlotTop = 4;
inline constexpr int kPlotBottom = 254;
inline constexpr int kAxisLabelY = 260;
inline constexpr int kBandTop = 276;
inline constexpr int kBandBottom = 280;

// A settings colour (0x00BBGGRR) as Qt takes it.
QColor ColourFromSettings(uint32_t bbggrr);

// Column of a frequency (Hz) for the graph range; below 10 MHz counts as 10 MHz.
int FrequencyToX(uint32_t frequency_hz, uint8_t range_choice);
// Row of a level (V/m) on the cell's full scale. A cell range outside 1 to 3 shows
// "Tarvos Software Error 1" (a plain message, an internal fault) and gives row 0.
int LevelToY(double level, uint8_t cell_range, platform::Operator& op);
// Row of a pre-scan DAC value: 65535 reaches the top.
int DacToY(uint16_t dac_value);

// What a redraw reads. Entry 0 of the results is never read: a line always starts at
// entry 1 or later. The copy of entry 1 into entry 0 that the saved files carry is the
// station's redraw request's job.
struct GraphInputs {
  const setup::TestSetup& Setup;  // TestMode, RangeChoice, the set-point values
  const calib::CellTable& Cell;   // CellRange (the scale), MaxField (the labels)
  const calib::Settings& Colours;
  const engine::ResultStore& Results;
  const engine::PreScanTable& PreScan;
  const screen::Graph& Graph;  // show_prescan_curve, time_marks
  platform::Operator& Operator;
};

// The graph drawn anew: axes, set-point line, results, and the pre-scan curve when asked.
QImage RedrawGraph(const GraphInputs& inputs);

}  // namespace tarvos::ui
