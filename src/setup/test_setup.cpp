#include "setup/test_setup.h"

namespace tarvos::setup {

std::string_view ModulationName(uint8_t modulation_type) {
  switch (modulation_type) {
    case 0:
      return "None";
    case 1:
      return "1 Hz Pulse";
    case 2:
      return "20 Hz Pulse";
    case 3:
      return "200 Hz Pulse";
    case 4:
      return "1 KHz AM";
    default:
      return {};
  }
}

std::string_view ModulationDepthText(uint8_t modulation_type) {
  switch (modulation_type) {
    case 0:
      return "No Modulation";
    case 1:
    case 2:
    case 3:
      return "Modulation Depth = 100%";
    case 4:
      return "Modulation Depth = 80%";
    default:
      return {};
  }
}

std::string_view ModeLabel(uint8_t test_mode) {
  switch (test_mode) {
    case kStandard:
      return "Standard";
    case kSingle:
      return "Single Frequency";
    case kCustom:
      return "Custom";
    case kPreScanStandard:
      return "Pre Scan Standard";
    case kPreScanSingle:
      return "Pre Scan Single Frequency";
    case kPreScanCustom:
      return "Pre Scan Custom";
    default:
      return {};
  }
}

}  // namespace tarvos::setup
