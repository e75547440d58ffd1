#include "sim/command_packet.h"

namespace tarvos::sim {

std::optional<CommandPacket> ParseCommandPacket(std::span<const uint8_t> bytes) {
  constexpr uint8_t kEnd = 0x04;
  if (bytes.size() < 3) return std::nullopt;
  if (bytes.front() != bytes.size() - 1 || bytes.back() != kEnd) return std::nullopt;
  return CommandPacket{bytes[1], bytes.subspan(2, bytes.size() - 3)};
}

}  // namespace tarvos::sim
