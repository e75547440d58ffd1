// Any bytes as the Salvo unit's reply frames. The frames go into the unit's 4000-byte
// store, which starts again at its beginning when a frame no longer fits; each byte is
// examined once, by the read that received it, and every position followed by a C0 or
// C1 type byte is a message. Checked against a model of the store: the messages handed
// on, the faults and warnings they raise, and the selection they forget.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/adapter_link.h"
#include "link/reply_message.h"
#include "link_fuzz_rig.h"

namespace {

using tarvos::fuzz::Check;
using tarvos::fuzz::FieldAt;
using tarvos::link::ReceiveStore;

bool StartsMessage(uint8_t type) {
  return type == tarvos::link::kVersionMessage || type == tarvos::link::kMeasurementMessage ||
         type == tarvos::link::kStatusChangeMessage;
}

// The store and what its messages do, kept apart from the link.
struct StoreModel {
  std::array<uint8_t, ReceiveStore::kSize> Bytes{};
  std::size_t WritePos = 0;
  std::size_t ScanPos = 0;
  uint8_t LastSelection = 0;
  std::vector<std::string> Shown;
  std::string Version;
  int Faults = 0;

  void Fault(const char* message) {
    Shown.push_back(std::string("Salvo Fault : ") + message);
    LastSelection = tarvos::link::kNoSelection;
    ++Faults;
  }

  void Receive(const std::array<uint8_t, tarvos::link::kReplyFrameBytes>& frame, bool run_active) {
    if (ReceiveStore::kSize - WritePos < frame.size()) WritePos = ScanPos = 0;
    std::copy(frame.begin(), frame.end(), Bytes.begin() + static_cast<std::ptrdiff_t>(WritePos));
    WritePos += frame.size();
    const std::span<const uint8_t> received(Bytes.data(), WritePos);
    std::size_t start = ScanPos;
    while (start + 1 < WritePos && !StartsMessage(Bytes[start + 1])) ++start;
    ScanPos = WritePos;
    for (std::size_t pos = start; pos + 1 < WritePos; ++pos) {
      const uint8_t type = Bytes[pos + 1];
      if (type == tarvos::link::kVersionMessage) {
        Version = tarvos::fuzz::VersionOf(received, pos);
      } else if (type == tarvos::link::kMeasurementMessage && FieldAt(received, pos, 2) == 1) {
        if ((FieldAt(received, pos, 4) & 0x01) != 0) {
          if (FieldAt(received, pos, 5) != LastSelection) Fault("Salvo Range Error.");
        } else {
          Fault("Salvo Set to Manual Mode.");
          if (run_active) Shown.emplace_back("Stop Test and switch Salvo to Auto");
        }
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  fuzz::FuzzLink bench;
  const auto frames = fuzz::FramesOf(std::span<const uint8_t>(data, size));
  bench.adapters.Script(frames);
  StoreModel model;
  // The selection in force when the replies arrive: none yet, or one of the three.
  model.LastSelection = size == 0 ? 0 : static_cast<uint8_t>(data[0] >> 6);
  bench.link.LastAmplifierSelection = model.LastSelection;

  for (std::size_t step = 0; step < frames.size(); ++step) {
    const std::size_t next = bench.adapters.FramesRead();
    if (next >= frames.size()) break;
    const fuzz::ScriptedFrame& frame = frames[next];
    const bool suppressed = (frames[step].Control & 0x80) != 0;
    bench.events.RunActive = (frames[step].Control & 0x40) != 0;
    bench.link.ReadsSuppressed = suppressed;
    bench.access.ReadSalvoReplies();
    bench.link.ReadsSuppressed = false;

    if (suppressed) {
      Check(bench.adapters.FramesRead() == next, "a suppressed read reads nothing");
      continue;
    }
    Check(bench.adapters.FramesRead() == next + 1, "one read takes one frame");
    if (frame.Whole()) model.Receive(frame.Bytes, bench.events.RunActive);

    const auto& store = bench.link.SalvoStore;
    Check(store.WritePos == model.WritePos && store.ScanPos == model.ScanPos,
          "the Salvo store's positions");
    Check(store.WritePos <= ReceiveStore::kSize && store.ScanPos <= store.WritePos,
          "the Salvo store's positions stay inside it");
    Check(
        std::equal(model.Bytes.begin(), model.Bytes.begin() + model.WritePos, store.Bytes.begin()),
        "the Salvo store holds the bytes received");
    Check(bench.op.Texts() == model.Shown, "the faults and warnings of the Salvo messages");
    Check(bench.link.LastAmplifierSelection == model.LastSelection,
          "a Salvo fault forgets the amplifier selection");
    Check(bench.link.FaultLatched == (model.Faults > 0), "every Salvo fault latches");
    Check(bench.events.ControlsChangedCount == model.Faults, "every fault refreshes the controls");
    if (!model.Version.empty()) {
      Check(bench.screen.devices.Get(bench.link.SalvoInstance, 4) == model.Version &&
                bench.screen.about.salvo_hardware_version == "Hardware Version " + model.Version,
            "the Salvo version in the device grid and the about dialog");
    }
  }
  // A Salvo reply is never a synthesiser event, and nothing is written in reply.
  Check(bench.events.Log.empty(), "a Salvo reply reached the synthesiser's listener");
  Check(bench.adapters.Writes.empty(), "reading Salvo replies wrote a command");
  Check(bench.link.SynthPresent, "a Salvo fault marked the synthesiser absent");
  return 0;
}
