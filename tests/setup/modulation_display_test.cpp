#include "setup/modulation_display.h"

#include <gtest/gtest.h>

#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::setup {
namespace {

TEST(ShowModulation, LabelsMonitorAndBothLists) {
  TestSetup setup;
  screen::Screen screen;
  setup.ModulationType = 4;
  ShowModulation(setup, screen);
  EXPECT_EQ(screen.setup.modulation_depth, "Modulation Depth = 80%");
  EXPECT_EQ(screen.single.modulation_depth, "Modulation Depth = 80%");
  EXPECT_EQ(screen.monitor.modulation, "1 KHz AM");
  EXPECT_EQ(screen.setup.modulation.index, 4);
  EXPECT_EQ(screen.single.modulation.index, 4);

  setup.ModulationType = 2;
  ShowModulation(setup, screen);
  EXPECT_EQ(screen.single.modulation_depth, "Modulation Depth = 100%");
  EXPECT_EQ(screen.monitor.modulation, "20 Hz Pulse");
  setup.ModulationType = 0;
  ShowModulation(setup, screen);
  EXPECT_EQ(screen.setup.modulation_depth, "No Modulation");
  EXPECT_EQ(screen.monitor.modulation, "None");
  EXPECT_EQ(screen.single.modulation.index, 0);
}

TEST(ShowModulation, AValueOutsideTheTableSelectsNothing) {
  TestSetup setup;
  screen::Screen screen;
  setup.ModulationType = 5;
  ShowModulation(setup, screen);
  EXPECT_EQ(screen.setup.modulation.index, -1);
  EXPECT_EQ(screen.single.modulation.index, -1);
  EXPECT_EQ(screen.monitor.modulation, "");
  EXPECT_EQ(screen.setup.modulation_depth, "");
  EXPECT_EQ(ChoiceIndexOf(200, kRangeItems), -1);
  EXPECT_EQ(ChoiceIndexOf(2, kRangeItems), 2);
}

TEST(ShowModeLabel, FromTheTableOrLeftAsItIs) {
  TestSetup setup;
  screen::Screen screen;
  setup.TestMode = kPreScanStandard;
  ShowModeLabel(setup, screen);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Standard");
  setup.TestMode = kPreScanSingle;
  ShowModeLabel(setup, screen);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Single Frequency");
  setup.TestMode = 5;
  ShowModeLabel(setup, screen);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Single Frequency");
  setup.TestMode = kNoMode;
  ShowModeLabel(setup, screen);
  EXPECT_EQ(screen.monitor.mode_label, "Pre Scan Single Frequency");
}

}  // namespace
}  // namespace tarvos::setup
