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
// The engineer's search goes further than start-up.
inline constexpr uint8_t kLastEnumeratedInstance = 127;

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

// Which search identifies an adapter: start-up marks a Salvo unit present and writes the
// caption at each adapter; the engineer's search reads longer serial numbers and leaves
// both to its end.
enum class Search { StartUp, Enumeration };

// One opened adapter (handle > 0): its instance and handle into the device grid, then,
// when its port configures and reads, identification by HardwareId: the synthesiser's or
// Salvo's instance, handle, model name, serial number and grid row. Other adapters stay
// open and unused.
void IdentifyAdapter(AdapterAccess& access, uint8_t instance, int32_t handle, Search search,
                     const IdentifyHooks& hooks);

// The engineering window's "Enumerate all USB Devices": instances 0 to 127, each shown
// through show_instance before it is opened and followed by a wait of delay_ticks; then
// the Salvo unit's version request and amplifier 1, and the synthesiser's reset, version
// request and start-up command with the caption.
void EnumerateAdapters(AdapterAccess& access, CommandSet& commands, const IdentifyHooks& hooks,
                       uint16_t delay_ticks, const std::function<void(uint8_t)>& show_instance);

}  // namespace tarvos::link
