#include "link/adapter_link.h"

namespace tarvos::link {

std::string_view OutputLineCaption(int line) {
  switch (line) {
    case kPllSwitch:
      return "PLL Switch";
    case kRange0:
      return "Range 0";
    case kRange1:
      return "Range 1";
    case kModulation1k:
      return "Modulation 1KHz";
    case kEutPrompt:
      return "EUT Prompt";
    default:
      return {};
  }
}

}  // namespace tarvos::link
