#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/adapter_library.h"

namespace tarvos::link {

// Both units answer at this I2C slave address.
inline constexpr uint8_t kSlaveAddress = 0x9A;
// The data field of a transfer holds at most this many bytes.
inline constexpr std::size_t kMaxPacketBytes = 65;
// What the unused rest of a written data field holds.
inline constexpr uint8_t kFillByte = 0x01;

// The bytes of one command, as they go into a transfer's data field.
struct I2cPacket {
  std::array<uint8_t, kMaxPacketBytes> Data;
  std::size_t Count = 0;

  I2cPacket() { Data.fill(kFillByte); }
  std::span<const uint8_t> Bytes() const { return {Data.data(), Count}; }
};

// A command text converted, or the reason it was refused.
struct ParsedI2cCommand {
  std::optional<I2cPacket> Packet;
  std::string Error;  // empty when Packet holds a value
};

// Converts an I2cCommand text ("03,20,00,04": two hex digits per byte, one separator
// between bytes) to its packet. A pair is read at every third character while one
// starts before the last character, so a trailing separator adds nothing and the
// separators themselves are not looked at. Refused, with the reason in Error, when a
// pair is not hexadecimal or the text holds more pairs than a packet can carry.
ParsedI2cCommand ParseI2cCommand(std::string_view text);

// Two upper-case hex digits.
std::string Hex2(uint8_t value);
// The I2cCommand text of the bytes: "03,20,00,04".
std::string FormatI2cCommand(std::span<const uint8_t> bytes);

// The transfer that writes the packet: type 0, slave 0x9A, memory address 0.
platform::I2cTransfer MakeWriteTransfer(const I2cPacket& packet);
// The transfer that reads `count` bytes (at most 65) into a zeroed data field.
platform::I2cTransfer MakeReadTransfer(uint16_t count);

}  // namespace tarvos::link
