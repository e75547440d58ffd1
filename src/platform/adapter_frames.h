#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/adapter_library.h"

namespace tarvos::platform {

// The frames between the program and tarvos-adapters, the helper process that loads an
// adapter library: one request and one reply per call of the eight, after a hello from
// the helper. A frame is its body's length (32 bits, little-endian) and the body; the body
// starts with the call's number. Every number is little-endian; the transfer record goes
// as its 71 bytes.
inline constexpr uint16_t kAdapterProtocolVersion = 1;
inline constexpr std::size_t kMostFrameBytes = 1024;
inline constexpr std::size_t kMostDeviceNameBytes = 255;

enum class AdapterCall : uint8_t {
  Hello = 0,
  OpenDeviceInstance = 1,
  CloseDeviceInstance = 2,
  GetSerialId = 3,
  ConfigIoPorts = 4,
  ReadIoPorts = 5,
  WriteIoPorts = 6,
  WriteI2c = 7,
  ReadI2c = 8,
};

// A call as the program asks it: the fields its call takes.
struct AdapterRequest {
  AdapterCall Call = AdapterCall::Hello;
  std::string DeviceName;  // OpenDeviceInstance
  uint8_t Instance = 0;    // OpenDeviceInstance
  int32_t Handle = 0;      // every call but OpenDeviceInstance
  uint32_t Value = 0;      // ConfigIoPorts (the configuration), WriteIoPorts
  uint32_t Mask = 0;       // WriteIoPorts
  I2cTransfer Transfer{};  // WriteI2c, ReadI2c
};

// What the library answered: the call's result and what it wrote back.
struct AdapterReply {
  AdapterCall Call = AdapterCall::Hello;
  int32_t Result = 0;
  uint32_t Value = 0;      // ReadIoPorts
  SerialBuffer Serial{};   // GetSerialId
  I2cTransfer Transfer{};  // WriteI2c, ReadI2c
  uint16_t Version = 0;    // Hello
  uint8_t Bits = 0;        // Hello: 32 or 64, the helper's bitness
};

// The whole frame, length first.
std::string EncodeRequest(const AdapterRequest& request);
std::string EncodeReply(const AdapterReply& reply);

// The helper's last word when it cannot serve (its library does not load), in place of
// its hello: a body of kRefusalMark and the reason, cut to fit a frame. Read back, the
// reason; nullopt for any other body.
inline constexpr uint8_t kRefusalMark = 0xFF;
std::string EncodeRefusal(std::string_view why);
std::optional<std::string> DecodeRefusal(std::string_view body);

// A frame's body read back; nullopt for anything but a well-formed body of a known call
// (a length that does not fit the call, an unknown call, a name past its limit, a
// transfer whose count passes its 65 data bytes).
std::optional<AdapterRequest> DecodeRequest(std::string_view body);
// A reply's body read back, refused unless it answers the expected call.
std::optional<AdapterReply> DecodeReply(std::string_view body, AdapterCall expected);

// Collects bytes as they arrive and hands out whole bodies. A length past
// kMostFrameBytes breaks the stream for good: nothing after it can be trusted.
class FrameReader {
 public:
  void Append(std::string_view bytes);
  // The next whole body, or nullopt until one has arrived (or once broken).
  std::optional<std::string> Next();
  bool Broken() const { return broken_; }

 private:
  std::string pending_;
  bool broken_ = false;
};

}  // namespace tarvos::platform
