#pragma once

// What the reply and command fuzz targets share: an adapter library whose reads hand
// out the fuzz input frame by frame and whose writes are recorded, a listener that
// records what the link tells the engine, and a link wired to both on virtual time.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "link/reply_message.h"
#include "platform/adapter_library.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "screen/screen.h"

namespace tarvos::fuzz {

inline constexpr int32_t kSynthHandle = 7;
inline constexpr int32_t kSalvoHandle = 9;

// Stops the run with a message a person can act on; the fuzzer reports the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}
inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

// One read as the input scripts it: a control byte, then the 16 bytes of the frame
// (zeros where the input ran out).
struct ScriptedFrame {
  uint8_t Control = 0;
  std::array<uint8_t, link::kReplyFrameBytes> Bytes{};
  // Control bytes ending in three set bits make the read report a count other than 16
  // (15, 17, 0 or -1): the link must drop such a frame whole.
  int32_t Count() const {
    if ((Control & 0x07) != 0x07) return static_cast<int32_t>(link::kReplyFrameBytes);
    static constexpr int32_t kOddCounts[] = {15, 17, 0, -1};
    return kOddCounts[(Control >> 3) & 0x03];
  }
  bool Whole() const { return Count() == static_cast<int32_t>(link::kReplyFrameBytes); }
};

// Cuts the input into scripted frames of 17 bytes; a last partial one counts.
inline std::vector<ScriptedFrame> FramesOf(std::span<const uint8_t> input) {
  std::vector<ScriptedFrame> frames;
  constexpr std::size_t kStride = link::kReplyFrameBytes + 1;
  for (std::size_t pos = 0; pos < input.size(); pos += kStride) {
    ScriptedFrame frame;
    frame.Control = input[pos];
    const std::size_t available = std::min(input.size() - pos - 1, link::kReplyFrameBytes);
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(pos + 1), available,
                frame.Bytes.begin());
    frames.push_back(frame);
  }
  return frames;
}

// Reads answer from the scripted frames in order (a count of 0 once they run out);
// writes are kept and always succeed in full.
class FuzzAdapters : public platform::AdapterLibrary {
 public:
  struct Write {
    int32_t Handle = 0;
    std::vector<uint8_t> Bytes;
  };

  void Script(std::vector<ScriptedFrame> frames) {
    frames_ = std::move(frames);
    next_ = 0;
  }
  std::size_t FramesRead() const { return next_; }

  int32_t OpenDeviceInstance(std::string_view, uint8_t) override { return -1; }
  int32_t CloseDeviceInstance(int32_t) override { return 1; }
  bool GetSerialId(int32_t, platform::SerialBuffer&) override { return false; }
  bool ConfigIoPorts(int32_t, uint32_t) override { return true; }
  bool ReadIoPorts(int32_t, uint32_t& value) override {
    value = 0;
    return true;
  }
  bool WriteIoPorts(int32_t, uint32_t, uint32_t) override { return true; }
  int32_t WriteI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    Check(transfer.Count <= sizeof transfer.Data, "a write counts past the data field");
    Check(transfer.SlaveAddress == link::kSlaveAddress, "a write to another slave address");
    Writes.push_back({handle, std::vector<uint8_t>(transfer.Data, transfer.Data + transfer.Count)});
    return transfer.Count;
  }
  int32_t ReadI2c(int32_t, platform::I2cTransfer& transfer) override {
    Check(transfer.Count <= sizeof transfer.Data, "a read asks past the data field");
    if (next_ >= frames_.size()) return 0;
    const ScriptedFrame& frame = frames_[next_++];
    std::copy_n(frame.Bytes.begin(), std::min<std::size_t>(transfer.Count, frame.Bytes.size()),
                transfer.Data);
    return frame.Count();
  }

  std::vector<Write> Writes;

 private:
  std::vector<ScriptedFrame> frames_;
  std::size_t next_ = 0;
};

// Records what the link tells the layer above it, in order.
class RecordingEvents final : public link::LinkEvents {
 public:
  void StatusByte(uint8_t status) override { Log.push_back("status " + std::to_string(status)); }
  void CannotReachSetPoint() override { Log.push_back("cannot reach"); }
  void ControlsChanged() override { ++ControlsChangedCount; }
  bool RunPhaseActive() const override { return RunActive; }

  std::vector<std::string> Log;
  int ControlsChangedCount = 0;
  bool RunActive = false;
};

// A link with a synthesiser and a Salvo unit, as start-up leaves it.
struct FuzzLink {
  FuzzLink() {
    link.SynthHandle = kSynthHandle;
    link.SynthPresent = true;
    link.SalvoHandle = kSalvoHandle;
    link.SalvoPresent = true;
  }

  link::AdapterLink link;
  FuzzAdapters adapters;
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  RecordingEvents events;
  link::AdapterAccess access{link, adapters, loop, op, screen, events};
  link::CommandSet commands{access};
};

// A field of a message that starts at `start` in the bytes, read as the reply frames
// are read: past the end of the bytes it is 0.
inline uint8_t FieldAt(std::span<const uint8_t> bytes, std::size_t start, std::size_t offset) {
  return start + offset < bytes.size() ? bytes[start + offset] : uint8_t{0};
}

inline std::string VersionOf(std::span<const uint8_t> bytes, std::size_t start) {
  return std::to_string(FieldAt(bytes, start, 5)) + "." + std::to_string(FieldAt(bytes, start, 6));
}

}  // namespace tarvos::fuzz
