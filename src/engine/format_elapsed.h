#pragma once

#include <cstdint>
#include <string>

namespace tarvos::engine {

// "hh:mm:ss" with at least two digits each (hours may have more).
std::string FormatElapsed(uint64_t seconds);

}  // namespace tarvos::engine
