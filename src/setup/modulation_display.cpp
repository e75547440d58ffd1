#include "setup/modulation_display.h"

#include <string>

namespace tarvos::setup {

int ChoiceIndexOf(uint8_t value, int items) { return value < items ? value : -1; }

void ShowModulation(const TestSetup& setup, screen::Screen& screen) {
  const std::string depth(ModulationDepthText(setup.ModulationType));
  screen.setup.modulation_depth = depth;
  screen.single.modulation_depth = depth;
  screen.monitor.modulation = std::string(ModulationName(setup.ModulationType));
  const int index = ChoiceIndexOf(setup.ModulationType, kModulationItems);
  screen.setup.modulation.index = index;
  screen.single.modulation.index = index;
}

void ShowModeLabel(const TestSetup& setup, screen::Screen& screen) {
  const auto label = ModeLabel(setup.TestMode);
  if (!label.empty()) screen.monitor.mode_label = std::string(label);
}

}  // namespace tarvos::setup
