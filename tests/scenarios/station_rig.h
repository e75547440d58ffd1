#pragma once

#include <gtest/gtest.h>

#include "temp_path.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "station/station.h"

namespace tarvos::scenarios {

// A program folder of its own, seeded with the sample files, removed afterwards.
class ProgramFolder {
 public:
  explicit ProgramFolder(bool seed = true) {
    path_ = testing_support::MakeTempFolder("tarvos-scenario") + "/";
    if (!seed) return;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TARVOS_SOURCE_DIR) + "/data")) {
      std::filesystem::copy_file(entry.path(), path_ + entry.path().filename().string());
    }
  }
  ~ProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + std::string(name); }
  bool Has(std::string_view name) const { return std::filesystem::exists(File(name)); }
  std::vector<std::string> Lines(std::string_view name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  void Remove(std::string_view name) const { std::filesystem::remove(File(name)); }

 private:
  std::string path_;
};

// A packet as the program writes it: two-digit upper-case hex bytes joined by commas.
inline std::string PacketText(const sim::Packet& packet) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < packet.size(); ++i) {
    if (i > 0) text += ',';
    text += kDigits[packet[i] >> 4];
    text += kDigits[packet[i] & 0x0F];
  }
  return text;
}

inline std::vector<std::string> PacketTexts(const std::vector<sim::Packet>& packets) {
  std::vector<std::string> texts;
  for (const auto& packet : packets) texts.push_back(PacketText(packet));
  return texts;
}

// A station on the simulated test set, on virtual time, with a scripted operator. The
// first start has no settings file: the defaults load and the cell serial "10" is given.
// Adapters other than the rig's simulator (made from the rig's clock) may stand in for it.
struct StationRig {
  using AdaptersFactory =
      std::function<std::unique_ptr<platform::AdapterLibrary>(platform::VirtualEventLoop&)>;

  explicit StationRig(std::string_view bench = "fennix-salvo", bool seed = true,
                      const AdaptersFactory& make_adapters = nullptr)
      : folder(seed),
        sim(*sim::MakeBench(std::string(bench)), 1, [this] { return loop.ClockMs(); }) {
    if (make_adapters) adapters = make_adapters(loop);
    op.QueueInput("10");
    station = std::make_unique<station::Station>(station::StationParts{
        loop, adapters ? *adapters : sim, op, folder.Path(), [this] { return now; }});
  }

  // Lets the start-up timer fire, as the window does.
  void StartUp() { loop.RunFor(station::kStartUpMs + 100); }

  station::Station& St() { return *station; }
  screen::Screen& Screen() { return station->Screen(); }

  // The questions and boxes shown since the last call.
  std::vector<std::string> TakeTexts() {
    auto texts = op.Texts();
    op.ClearHistory();
    return texts;
  }

  // The local time the clock timer reads; tests may move it on.
  station::ClockReading now{2026, 12, 7, 23, 5, 9};
  platform::VirtualEventLoop loop{1'000'000};
  platform::ScriptedOperator op;
  ProgramFolder folder;
  sim::SimulatedTestSet sim;
  std::unique_ptr<platform::AdapterLibrary> adapters;
  std::unique_ptr<station::Station> station;
};

}  // namespace tarvos::scenarios
