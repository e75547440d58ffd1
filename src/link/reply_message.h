#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvos::link {

// A reply frame as the instruments send it.
inline constexpr std::size_t kReplyFrameBytes = 16;

// Message types.
inline constexpr uint8_t kVersionMessage = 0xC0;      // both units
inline constexpr uint8_t kMeasurementMessage = 0xC1;  // synthesiser readings; Salvo state
inline constexpr uint8_t kStatusMessage = 0xC3;
inline constexpr uint8_t kStatusChangeMessage = 0xC4;
inline constexpr uint8_t kCannotReachMessage = 0xD0;

// One reply message: the bytes from its length byte to the end of the data received
// with it. Offsets count from the length byte; a field named past the end of that
// data reads as 0, whatever the message's length byte claims.
class ReplyMessage {
 public:
  explicit ReplyMessage(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint8_t Length() const { return Byte(0); }
  uint8_t Type() const { return Byte(1); }
  uint8_t Byte(std::size_t offset) const {
    return offset < bytes_.size() ? bytes_[offset] : uint8_t{0};
  }
  // Two bytes, high byte first.
  uint16_t Word(std::size_t offset) const {
    return static_cast<uint16_t>(Byte(offset) << 8 | Byte(offset + 1));
  }
  // How many bytes are really there.
  std::size_t Available() const { return bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
};

// Receives the messages of the reply reads. The message's bytes live only for the call.
class ReplyHandler {
 public:
  virtual ~ReplyHandler() = default;
  virtual void SynthMessage(const ReplyMessage& message) = 0;
  virtual void SalvoMessage(const ReplyMessage& message) = 0;
};

}  // namespace tarvos::link
