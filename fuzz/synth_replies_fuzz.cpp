// Any bytes as the synthesiser's reply frames, read one after another as the status poll
// and the version request read them. Each whole frame is divided into messages exactly
// as its length bytes say, every field named past the frame reads as 0, and a read of
// any other count changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/command_set.h"
#include "link/reply_message.h"
#include "link_fuzz_rig.h"

namespace {

using tarvos::fuzz::Check;
using tarvos::fuzz::FieldAt;

// What one frame should leave behind, worked out from the frame alone.
struct Expected {
  std::vector<std::string> Log;
  std::optional<std::string> Version;
  std::optional<uint16_t> Dac, Probe;
  std::optional<uint8_t> ChangedStatus;
};

Expected ExpectedOf(std::span<const uint8_t> frame) {
  Expected expected;
  for (std::size_t pos = 0; pos < frame.size(); pos += std::size_t{frame[pos]} + 1) {
    const auto word = [&](std::size_t offset) {
      return static_cast<uint16_t>(FieldAt(frame, pos, offset) << 8 |
                                   FieldAt(frame, pos, offset + 1));
    };
    switch (FieldAt(frame, pos, 1)) {
      case tarvos::link::kVersionMessage:
        expected.Version = tarvos::fuzz::VersionOf(frame, pos);
        break;
      case tarvos::link::kMeasurementMessage:
        expected.Dac = word(5);
        expected.Probe = word(9);
        break;
      case tarvos::link::kStatusMessage:
        expected.Log.push_back("status " + std::to_string(FieldAt(frame, pos, 5)));
        break;
      case tarvos::link::kStatusChangeMessage:
        expected.ChangedStatus = FieldAt(frame, pos, 2);
        expected.Log.push_back("status " + std::to_string(FieldAt(frame, pos, 2)));
        break;
      case tarvos::link::kCannotReachMessage:
        expected.Log.push_back("status " + std::to_string(FieldAt(frame, pos, 2)));
        expected.Log.push_back("cannot reach");
        break;
      default:
        break;
    }
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  fuzz::FuzzLink bench;
  const auto frames = fuzz::FramesOf(std::span<const uint8_t>(data, size));
  bench.adapters.Script(frames);

  std::vector<std::string> log;
  std::string version = bench.link.HardwareVersionText;
  uint16_t dac = bench.link.DacValue, probe = bench.link.ProbeValue;
  std::string status_text = bench.screen.diagnostics.status;
  std::size_t writes = 0;

  // At most one read a frame, so the loop ends; suppressed reads consume nothing.
  for (std::size_t step = 0; step < frames.size(); ++step) {
    const std::size_t next = bench.adapters.FramesRead();
    if (next >= frames.size()) break;
    const fuzz::ScriptedFrame& frame = frames[std::min(next, frames.size() - 1)];
    const fuzz::ScriptedFrame& scripting = frames[step];
    const bool suppressed = (scripting.Control & 0x80) != 0;
    const bool poll = (scripting.Control & 0x40) != 0;
    bench.link.ReadsSuppressed = suppressed;
    if (poll) {
      bench.commands.RequestStatus();
      Check(bench.adapters.Writes.size() == ++writes, "a status request writes one command");
      const auto& sent = bench.adapters.Writes.back();
      Check(sent.Handle == fuzz::kSynthHandle &&
                sent.Bytes == std::vector<uint8_t>{0x03, 0x22, 0x00, 0x04},
            "the status request is 03,22,00,04 to the synthesiser");
    } else {
      bench.access.ReadSynthReplies();
    }
    bench.link.ReadsSuppressed = false;

    if (suppressed) {
      Check(bench.adapters.FramesRead() == next, "a suppressed read reads nothing");
      continue;
    }
    Check(bench.adapters.FramesRead() == next + 1, "one read takes one frame");
    if (frame.Whole()) {
      const Expected expected = ExpectedOf(frame.Bytes);
      log.insert(log.end(), expected.Log.begin(), expected.Log.end());
      if (expected.Version) version = *expected.Version;
      if (expected.Dac) dac = *expected.Dac;
      if (expected.Probe) probe = *expected.Probe;
      if (expected.ChangedStatus) status_text = std::to_string(*expected.ChangedStatus);
      const auto& store = bench.link.SynthStore;
      Check(store.WritePos == link::kReplyFrameBytes && store.ScanPos == link::kReplyFrameBytes,
            "the synthesiser store holds the last frame alone");
      Check(std::equal(frame.Bytes.begin(), frame.Bytes.end(), store.Bytes.begin()),
            "the synthesiser store holds the frame as read");
    }

    Check(bench.events.Log == log, "status bytes and cannot-reach reports as the frames hold them");
    Check(bench.link.HardwareVersionText == version, "the version text of the last C0 message");
    if (!version.empty()) {
      const float number = std::strtof(version.c_str(), nullptr);
      Check(bench.link.HardwareVersion == number, "the version number reads the version text");
      Check(bench.screen.devices.Get(bench.link.SynthInstance, 4) == version,
            "the device grid shows the version");
      Check(bench.screen.about.hardware_version == "Hardware Version " + version,
            "the about dialog shows the version");
    }
    Check(bench.link.DacValue == dac && bench.link.ProbeValue == probe,
          "DAC and probe values of the last C1 message");
    if (bench.screen.diagnostics.dac_value != "DAC Value") {
      Check(bench.screen.diagnostics.dac_value == std::to_string(dac) &&
                bench.screen.diagnostics.probe_value == std::to_string(probe),
            "the diagnostics window shows the values in decimal");
    }
    Check(bench.screen.diagnostics.status == status_text, "the Status field of the last C4");
  }
  // Replies never raise a synthesiser fault or a dialog of the link's own.
  Check(bench.op.History().empty(), "a synthesiser reply showed a dialog");
  Check(!bench.link.FaultLatched, "a synthesiser reply latched a fault");
  return 0;
}
