#pragma once

#include <cstdint>
#include <string_view>

#include "platform/adapter_library.h"

namespace tarvos::platform {

// An adapter library that passes every call on to another one: a test derives from it
// and overrides only the calls it watches or changes.
class ForwardingAdapters : public AdapterLibrary {
 public:
  explicit ForwardingAdapters(AdapterLibrary& next) : next_(next) {}

  int32_t OpenDeviceInstance(std::string_view name, uint8_t instance) override {
    return next_.OpenDeviceInstance(name, instance);
  }
  int32_t CloseDeviceInstance(int32_t handle) override { return next_.CloseDeviceInstance(handle); }
  bool GetSerialId(int32_t handle, SerialBuffer& buffer) override {
    return next_.GetSerialId(handle, buffer);
  }
  bool ConfigIoPorts(int32_t handle, uint32_t config) override {
    return next_.ConfigIoPorts(handle, config);
  }
  bool ReadIoPorts(int32_t handle, uint32_t& value) override {
    return next_.ReadIoPorts(handle, value);
  }
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override {
    return next_.WriteIoPorts(handle, value, mask);
  }
  int32_t WriteI2c(int32_t handle, I2cTransfer& transfer) override {
    return next_.WriteI2c(handle, transfer);
  }
  int32_t ReadI2c(int32_t handle, I2cTransfer& transfer) override {
    return next_.ReadI2c(handle, transfer);
  }

 protected:
  AdapterLibrary& next_;
};

}  // namespace tarvos::platform
