#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tarvos::sim {

// A command packet as the units receive it: [count of following bytes, command,
// arguments..., 04].
struct CommandPacket {
  uint8_t Command = 0;
  std::span<const uint8_t> Args;  // points into the received bytes
};

// Nothing when the count byte does not match the length or the packet does not end in 04.
std::optional<CommandPacket> ParseCommandPacket(std::span<const uint8_t> bytes);

}  // namespace tarvos::sim
