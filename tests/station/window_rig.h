#pragma once

// A station on the simulated test set for the dialogs and the engineer's windows: the
// operator also keeps what each colour and file dialog was asked with, and the adapter
// calls are counted (a read may be given a length of virtual time).

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/forwarding_adapters.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "scenarios/station_rig.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "station/station.h"

namespace tarvos::station {

class RecordingOperator final : public platform::Operator {
 public:
  void Show(platform::MessageKind kind, std::string_view text) override { script.Show(kind, text); }
  bool Ask(platform::MessageKind kind, std::string_view text) override {
    return script.Ask(kind, text);
  }
  std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                   std::string_view initial) override {
    return script.Input(title, prompt, initial);
  }
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override {
    return script.OpenFile(request);
  }
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override {
    save_requests.push_back(request);
    return script.SaveFile(request);
  }
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view initial) override {
    return script.ChooseFolder(title, initial);
  }
  std::optional<uint32_t> ChooseColour(uint32_t initial) override {
    colour_initials.push_back(initial);
    return script.ChooseColour(initial);
  }
  void ShowBusy(bool busy) override { script.ShowBusy(busy); }

  platform::ScriptedOperator script;
  std::vector<platform::FileDialogRequest> save_requests;
  std::vector<uint32_t> colour_initials;
};

// The simulated test set with its I2C reads counted per handle.
class CountingAdapters final : public platform::ForwardingAdapters {
 public:
  CountingAdapters(sim::SimulatedTestSet& sim, platform::VirtualEventLoop& loop)
      : ForwardingAdapters(sim), loop_(loop) {}

  int32_t OpenDeviceInstance(std::string_view name, uint8_t instance) override {
    ++opens[instance];
    return next_.OpenDeviceInstance(name, instance);
  }
  int32_t ReadI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    ++reads[handle];
    if (read_ms > 0) loop_.SleepUntil(loop_.ClockMs() + read_ms);
    return next_.ReadI2c(handle, transfer);
  }

  std::map<int32_t, int> reads;
  std::map<uint8_t, int> opens;
  uint64_t read_ms = 0;  // virtual time each read takes

 private:
  platform::VirtualEventLoop& loop_;
};

inline constexpr int32_t kSynthHandle = sim::SimulatedTestSet::kHandleBase + 0;
inline constexpr int32_t kSalvoHandle = sim::SimulatedTestSet::kHandleBase + 1;

struct WindowRig {
  explicit WindowRig(std::string_view bench = "fennix-salvo")
      : sim(*sim::MakeBench(std::string(bench)), 1, [this] { return loop.ClockMs(); }),
        adapters(sim, loop) {
    op.script.QueueInput("10");
    station = std::make_unique<Station>(
        StationParts{loop, adapters, op, folder.Path(), [] { return ClockReading{}; }});
  }

  void StartUp() {
    loop.RunFor(kStartUpMs + 100);
    op.script.ClearHistory();
    sim.ClearPackets();
  }

  Station& St() { return *station; }
  screen::Screen& Screen() { return station->Screen(); }
  std::vector<std::string> Texts() const { return op.script.Texts(); }
  std::vector<std::string> SynthPackets() const {
    return scenarios::PacketTexts(sim.SynthPackets());
  }
  std::vector<std::string> SalvoPackets() const {
    return scenarios::PacketTexts(sim.SalvoPackets());
  }

  platform::VirtualEventLoop loop{1'000'000};
  RecordingOperator op;
  scenarios::ProgramFolder folder;
  sim::SimulatedTestSet sim;
  CountingAdapters adapters;
  std::unique_ptr<Station> station;
};

}  // namespace tarvos::station
