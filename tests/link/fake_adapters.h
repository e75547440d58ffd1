#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "platform/adapter_library.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "screen/screen.h"

namespace tarvos::link::testing {

// Records what the link writes and answers reads from a script.
class FakeAdapters final : public platform::AdapterLibrary {
 public:
  struct Write {
    int32_t Handle = 0;
    platform::I2cTransfer Transfer{};
    std::string Text;  // the bytes counted by Transfer.Count, as an I2cCommand text
  };
  struct PortWrite {
    int32_t Handle = 0;
    uint32_t Value = 0;
    uint32_t Mask = 0;
  };

  int32_t OpenDeviceInstance(std::string_view device_name, uint8_t instance) override;
  int32_t CloseDeviceInstance(int32_t handle) override;
  bool GetSerialId(int32_t handle, platform::SerialBuffer& buffer) override;
  bool ConfigIoPorts(int32_t handle, uint32_t config) override;
  bool ReadIoPorts(int32_t handle, uint32_t& value) override;
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override;
  int32_t WriteI2c(int32_t handle, platform::I2cTransfer& transfer) override;
  int32_t ReadI2c(int32_t handle, platform::I2cTransfer& transfer) override;

  // A read returning the bytes (zero-padded to 16) and a count of 16.
  void QueueFrame(int32_t handle, std::vector<uint8_t> bytes);
  // A read returning the bytes and the given count.
  void QueueRead(int32_t handle, std::vector<uint8_t> bytes, int32_t count);
  std::vector<std::string> TextsTo(int32_t handle) const;

  std::vector<Write> Writes;
  std::vector<PortWrite> PortWrites;
  std::vector<int32_t> Reads;        // the handle of every read call
  std::vector<uint16_t> ReadCounts;  // the count each read asked for
  int32_t WriteShortfall = 0;        // a write reports this many bytes fewer than asked
  bool PortWritesFail = false;
  bool SerialFails = false;
  std::string Serial = "SN0001";  // copied without a terminator when it fills the buffer
  int SerialCalls = 0;
  std::function<void(const Write&)> OnWrite;

 private:
  struct ScriptedRead {
    std::vector<uint8_t> Bytes;
    int32_t Count = 0;
  };
  std::map<int32_t, std::deque<ScriptedRead>> reads_;
};

// Records what the link tells the layer above it.
class RecordingEvents final : public LinkEvents {
 public:
  void StatusByte(uint8_t status) override {
    Statuses.push_back(status);
    Log.push_back("status " + std::to_string(status));
  }
  void CannotReachSetPoint() override { Log.push_back("cannot reach"); }
  void ControlsChanged() override { ++ControlsChangedCount; }
  bool RunPhaseActive() const override { return RunActive; }

  std::vector<uint8_t> Statuses;
  std::vector<std::string> Log;
  int ControlsChangedCount = 0;
  bool RunActive = false;
};

inline constexpr int32_t kSynthHandle = 7;
inline constexpr int32_t kSalvoHandle = 9;

// A link with a synthesiser (and no Salvo unit) on virtual time.
struct LinkBench {
  explicit LinkBench(uint32_t start_ms = 0) : loop(start_ms) {
    link.SynthHandle = kSynthHandle;
    link.SynthPresent = true;
  }
  void AddSalvo() {
    link.SalvoHandle = kSalvoHandle;
    link.SalvoPresent = true;
  }
  std::vector<std::string> SynthTexts() const { return adapters.TextsTo(kSynthHandle); }
  std::vector<std::string> SalvoTexts() const { return adapters.TextsTo(kSalvoHandle); }
  bool Line(int line) const { return (link.OutputImage >> line & 1u) != 0; }

  AdapterLink link;
  FakeAdapters adapters;
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  RecordingEvents events;
  AdapterAccess access{link, adapters, loop, op, screen, events};
  CommandSet commands{access};
};

}  // namespace tarvos::link::testing
