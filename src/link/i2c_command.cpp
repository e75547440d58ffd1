#include "link/i2c_command.h"

#include <algorithm>
#include <cstring>

#include "screen/messages.h"

namespace tarvos::link {
namespace {

std::optional<uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

}  // namespace

ParsedI2cCommand ParseI2cCommand(std::string_view text) {
  I2cPacket packet;
  for (std::size_t pos = 0; pos + 1 < text.size(); pos += 3) {
    const auto high = HexDigit(text[pos]);
    const auto low = HexDigit(text[pos + 1]);
    if (!high || !low) {
      return {std::nullopt, screen::Fill(screen::msg::kNotHexByte,
                                         {text.substr(pos, 2), std::to_string(pos + 1)})};
    }
    if (packet.Count == kMaxPacketBytes) {
      return {std::nullopt,
              screen::Fill(screen::msg::kTooManyBytes, {std::to_string(kMaxPacketBytes)})};
    }
    packet.Data[packet.Count++] = static_cast<uint8_t>(*high << 4 | *low);
  }
  return {packet, {}};
}

std::string Hex2(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string FormatI2cCommand(std::span<const uint8_t> bytes) {
  std::string text;
  for (const uint8_t byte : bytes) {
    if (!text.empty()) text += ',';
    text += Hex2(byte);
  }
  return text;
}

platform::I2cTransfer MakeWriteTransfer(const I2cPacket& packet) {
  platform::I2cTransfer transfer{};
  transfer.TransType = 0;
  transfer.SlaveAddress = kSlaveAddress;
  transfer.MemoryAddress = 0;
  transfer.Count = static_cast<uint16_t>(packet.Count);
  std::memcpy(transfer.Data, packet.Data.data(), kMaxPacketBytes);
  return transfer;
}

platform::I2cTransfer MakeReadTransfer(uint16_t count) {
  platform::I2cTransfer transfer{};
  transfer.SlaveAddress = kSlaveAddress;
  transfer.Count = std::min<uint16_t>(count, kMaxPacketBytes);
  return transfer;
}

}  // namespace tarvos::link
