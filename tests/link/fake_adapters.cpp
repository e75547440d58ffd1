#include "link/fake_adapters.h"

#include <algorithm>
#include <cstring>

#include "link/i2c_command.h"

namespace tarvos::link::testing {

int32_t FakeAdapters::OpenDeviceInstance(std::string_view /*device_name*/, uint8_t /*instance*/) {
  return -1;
}

int32_t FakeAdapters::CloseDeviceInstance(int32_t /*handle*/) { return 1; }

bool FakeAdapters::GetSerialId(int32_t /*handle*/, platform::SerialBuffer& buffer) {
  ++SerialCalls;
  if (SerialFails) return false;
  std::memcpy(buffer.data(), Serial.data(), std::min(Serial.size(), buffer.size()));
  return true;
}

bool FakeAdapters::ConfigIoPorts(int32_t /*handle*/, uint32_t /*config*/) { return true; }

bool FakeAdapters::ReadIoPorts(int32_t /*handle*/, uint32_t& value) {
  value = 0;
  return true;
}

bool FakeAdapters::WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) {
  PortWrites.push_back({handle, value, mask});
  return !PortWritesFail;
}

int32_t FakeAdapters::WriteI2c(int32_t handle, platform::I2cTransfer& transfer) {
  Write write{handle, transfer, {}};
  write.Text = FormatI2cCommand(std::span<const uint8_t>(
      transfer.Data, std::min<std::size_t>(transfer.Count, sizeof transfer.Data)));
  Writes.push_back(write);
  if (OnWrite) OnWrite(write);
  return static_cast<int32_t>(transfer.Count) - WriteShortfall;
}

int32_t FakeAdapters::ReadI2c(int32_t handle, platform::I2cTransfer& transfer) {
  Reads.push_back(handle);
  ReadCounts.push_back(uint16_t{transfer.Count});
  auto& queue = reads_[handle];
  if (queue.empty()) return 0;
  const ScriptedRead read = queue.front();
  queue.pop_front();
  std::copy_n(read.Bytes.begin(), std::min(read.Bytes.size(), sizeof transfer.Data), transfer.Data);
  return read.Count;
}

void FakeAdapters::QueueFrame(int32_t handle, std::vector<uint8_t> bytes) {
  bytes.resize(16, 0);
  QueueRead(handle, std::move(bytes), 16);
}

void FakeAdapters::QueueRead(int32_t handle, std::vector<uint8_t> bytes, int32_t count) {
  reads_[handle].push_back({std::move(bytes), count});
}

std::vector<std::string> FakeAdapters::TextsTo(int32_t handle) const {
  std::vector<std::string> texts;
  for (const auto& write : Writes) {
    if (write.Handle == handle) texts.push_back(write.Text);
  }
  return texts;
}

}  // namespace tarvos::link::testing
