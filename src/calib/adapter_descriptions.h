#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos::calib {

inline constexpr std::string_view kAdapterDescriptionFile = "BrevantUSB.TXT";
inline constexpr std::size_t kMaxAdapterDescriptions = 21;

// One record of the adapter description file.
struct AdapterDescription {
  uint8_t Number = 0;
  std::string Text;
};

// Reads the adapter description file: three header lines, then one record a line (field
// 1 a number 0 to 255, field 2 its text), read with the cell files' field rules. nullopt
// when the file cannot be opened or read, holds a 22nd record or a number outside 0 to
// 255: the caller shows screen::msg::kUsbTextMissing.
std::optional<std::vector<AdapterDescription>> ReadAdapterDescriptions(const std::string& path);

}  // namespace tarvos::calib
