#include "engine/format_elapsed.h"

namespace tarvos::engine {
namespace {

std::string TwoDigits(uint64_t value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 1, '0');
  return text;
}

}  // namespace

std::string FormatElapsed(uint64_t seconds) {
  return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
         TwoDigits(seconds % 60);
}

}  // namespace tarvos::engine
