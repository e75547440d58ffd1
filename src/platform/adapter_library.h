#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tarvos/usbi2cio.h"

namespace tarvos::platform {

// The transfer record exactly as the adapter library takes it (71 packed bytes).
using I2cTransfer = ::I2cTransfer;
static_assert(sizeof(I2cTransfer) == 71, "I2cTransfer must stay 71 packed bytes");

inline constexpr std::size_t kSerialBufferSize = 129;
using SerialBuffer = std::array<char, kSerialBufferSize>;

// The eight adapter calls, as the instrument link uses them. Implemented by the
// simulated test set and by a vendor library loaded at run time.
class AdapterLibrary {
 public:
  virtual ~AdapterLibrary() = default;

  // >0 a handle; <0 no device at that instance.
  virtual int32_t OpenDeviceInstance(std::string_view device_name, uint8_t instance) = 0;
  virtual int32_t CloseDeviceInstance(int32_t handle) = 0;
  // The buffer arrives zeroed; the serial number may fill it without a terminator.
  virtual bool GetSerialId(int32_t handle, SerialBuffer& buffer) = 0;
  virtual bool ConfigIoPorts(int32_t handle, uint32_t config) = 0;
  virtual bool ReadIoPorts(int32_t handle, uint32_t& value) = 0;
  virtual bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) = 0;
  // Both return the number of bytes moved.
  virtual int32_t WriteI2c(int32_t handle, I2cTransfer& transfer) = 0;
  virtual int32_t ReadI2c(int32_t handle, I2cTransfer& transfer) = 0;

  // Before a search of every instance: a library that can lose its connection to the
  // adapters (one served by a helper process that has ended) makes it again.
  virtual void Reconnect() {}
};

}  // namespace tarvos::platform
