// The simulated test set's library through the adapter helper, on both systems: the same
// answers as in process, and a library the helper cannot load costs failed calls and one
// warning.
#include "platform/process_adapters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace tarvos::platform {
namespace {

constexpr std::string_view kDeviceName = "UsbI2cIo";

TEST(ProcessAdaptersTest, TheSimulatorAnswersThroughTheHelperAsInProcess) {
  std::vector<std::string> warnings;
  ProcessAdapters adapters(TARVOS_ADAPTER_HELPER, TARVOS_SIM_LIBRARY, {},
                           [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_EQ(adapters.HelperBits(), static_cast<int>(sizeof(void*) * 8));
  const int32_t synth = adapters.OpenDeviceInstance(kDeviceName, 0);
  ASSERT_GT(synth, 0);
  EXPECT_LT(adapters.OpenDeviceInstance(kDeviceName, 5), 0);
  uint32_t value = 0;
  EXPECT_TRUE(adapters.ConfigIoPorts(synth, 0x000F00FC));
  EXPECT_TRUE(adapters.ReadIoPorts(synth, value));
  EXPECT_EQ(value & 0xFCu, 0x04u);
  SerialBuffer serial{};
  EXPECT_TRUE(adapters.GetSerialId(synth, serial));
  EXPECT_NE(serial[0], '\0');

  I2cTransfer request{};
  request.SlaveAddress = 0x9A;
  request.Count = 4;
  const std::array<uint8_t, 4> version = {0x03, 0x20, 0x00, 0x04};
  std::memcpy(request.Data, version.data(), version.size());
  EXPECT_EQ(adapters.WriteI2c(synth, request), 4);
  I2cTransfer reply{};
  reply.SlaveAddress = 0x9A;
  reply.Count = 16;
  ASSERT_EQ(adapters.ReadI2c(synth, reply), 16);
  EXPECT_EQ(reply.Data[1], 0xC0) << "first message type";
  adapters.CloseDeviceInstance(synth);
  EXPECT_TRUE(warnings.empty());
}

TEST(ProcessAdaptersTest, AHelperThatCannotLoadTheLibrarySaysWhyAndFailsEveryCall) {
  std::vector<std::string> warnings;
  ProcessAdapters adapters(TARVOS_ADAPTER_HELPER, "nowhere/libnothing.so", {},
                           [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_LT(adapters.OpenDeviceInstance(kDeviceName, 0), 0);
  I2cTransfer transfer{};
  EXPECT_EQ(adapters.ReadI2c(1, transfer), 0);
  uint32_t value = 0;
  EXPECT_FALSE(adapters.ReadIoPorts(1, value));
  // The helper's own words: the library's path and the system's reason, not its exit code.
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].starts_with("Cannot load adapter library nowhere/libnothing.so: "))
      << warnings[0];
  EXPECT_GT(warnings[0].size(), std::string_view("Cannot load adapter library nowhere/libnothing.so: ").size());
}

}  // namespace
}  // namespace tarvos::platform
