#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/adapter_access.h"
#include "link/command_set.h"

namespace tarvos::link {

inline constexpr std::string_view kCaptionPrefix = "Brevant Instruments Ltd - ";
inline constexpr uint8_t kLastDeviceInstance = 20;

// What the search calls back into the layers above the link.
struct IdentifyHooks {
  std::function<void()> LoadSalvoSettings;  // a Salvo unit was identified
  std::function<void()> UpdateLamps;        // after the synthesiser's initial commands
};

// Searches adapter instances 0 to 20, identifies each by its input bits (synthesiser
// Corvid or Fennix, Salvo unit), fills the device grid and the window caption, and sends
// both units their initial commands; the present flags and handles say what was found.
// The grid is cleared first (rows 1 to 20, columns 0 to 3).
void IdentifyAdapters(AdapterAccess& access, CommandSet& commands, const IdentifyHooks& hooks);

}  // namespace tarvos::link
