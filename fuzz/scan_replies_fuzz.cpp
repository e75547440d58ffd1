// Any bytes as every reply frame a whole run reads: a short standard scan (or its
// pre-scan) on a station whose synthesiser, and perhaps Salvo unit, answer only with the
// fuzz input. The status bytes, readings and Salvo states drive the levelling, the EUT
// and amplifier supervision and the end of the run; whatever they say, the run ends (by
// itself or at the operator's STOP), the store keeps its bounds and every recorded entry
// is a step of the scan.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "engine/result_operations.h"
#include "engine/result_store.h"
#include "fuzz_folder.h"
#include "link_fuzz_rig.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "station/station.h"

namespace {

using tarvos::fuzz::Check;
constexpr int32_t kSynthAt = 100;
constexpr int32_t kSalvoAt = 101;

// Instance 0 a synthesiser, instance 1 the Salvo unit when there is one.
class RunAdapters final : public tarvos::fuzz::FuzzAdapters {
 public:
  bool WithSalvo = false;
  int32_t OpenDeviceInstance(std::string_view, uint8_t instance) override {
    if (instance == 0) return kSynthAt;
    if (instance == 1 && WithSalvo) return kSalvoAt;
    return -1;
  }
  bool ReadIoPorts(int32_t handle, uint32_t& value) override {
    value = handle == kSynthAt ? 0x04 : 0x08;
    return true;
  }
  bool GetSerialId(int32_t, tarvos::platform::SerialBuffer& buffer) override {
    buffer[0] = 'S';
    return true;
  }
};

// A fresh program folder for each input: the calibration of cell 10 and Salvo.INI.
const std::string& ProgramFolder() {
  static const std::string folder = tarvos::fuzz::FuzzFolder() + "program/";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::create_directories(folder);
  std::string cell = "Cell 0010\r\nDATA,200,1,26214\r\n";
  for (int mhz = 30; mhz <= 1000; mhz += 10) {
    cell += std::to_string(mhz) + ",0.404,0.654,0.897,1.254\r\n";
  }
  tarvos::fuzz::WriteInput(folder + "cell0010.csv", reinterpret_cast<const uint8_t*>(cell.data()),
                           cell.size());
  const std::string salvo = "Salvo\r\nswitch\r\nMHz\r\n150.0\r\n";
  tarvos::fuzz::WriteInput(folder + "Salvo.INI", reinterpret_cast<const uint8_t*>(salvo.data()),
                           salvo.size());
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  if (size == 0) return 0;
  // The first byte: bit 0 a Salvo unit, bit 1 the pre-scan, bits 2 and 3 the EUT
  // status mode, bit 4 the Kestrel amplifiers (which report faults).
  const uint8_t options = data[0];
  RunAdapters adapters;
  adapters.WithSalvo = (options & 0x01) != 0;
  adapters.Script(fuzz::FramesOf(std::span<const uint8_t>(data + 1, size - 1)));

  platform::VirtualEventLoop loop(1'000'000);
  platform::ScriptedOperator op;
  station::Station station(station::StationParts{loop, adapters, op, ProgramFolder(), {}});
  loop.RunFor(station::kStartUpMs + 100);
  Check(station.StartedUp(), "the station starts up");
  if (!station.Link().SynthPresent) return 0;

  station.ChooseEutStatus((options >> 2) & 0x03);
  station.ChooseAmplifierConfig((options & 0x10) != 0 ? 1 : 0);
  auto& panel = station.Screen().setup;
  panel.start.text = "100";
  panel.finish.text = "200";
  panel.step.text = "25";
  panel.field.text = "3";
  panel.dwell.text = "1";
  station.LeaveSetupField();
  Check(station.Validation().SetupValid, "the scan is valid");

  // A synthesiser that never reports the set point reached keeps a step levelling
  // until the operator stops the run: STOP after ten minutes, as the operator would.
  const bool pre_scan = (options & 0x02) != 0;
  loop.ScheduleAfter(10ULL * 60 * 1000, [&station, pre_scan] {
    if (!station.Run().Running) return;
    // STOP is the caption of the button that started the run.
    if (pre_scan) {
      station.PressPreScan();
    } else {
      station.PressRun();
    }
  });
  if (pre_scan) {
    station.PressPreScan();
  } else {
    station.PressRun();
  }
  Check(!station.Run().Running, "the run ends");

  const auto& results = station.Results();
  Check(results.NextIndex < engine::kEntries, "next index inside the table");
  const uint32_t count = engine::ResultCount(results);
  Check(count <= 5, "at most the five steps of the scan are recorded");
  for (uint32_t i = 1; i <= count; ++i) {
    const auto& entry = results.Entries[i];

    Check(entry.Frequency >= 100'000'000U && entry.Frequency <= 200'000'000U,
          "a recorded frequency is a step of the scan");
    Check(std::isfinite(entry.Level) && entry.Level >= 0.0, "a recorded level is a number");
    Check(entry.EutStatus <= engine::kEutFault, "a recorded EUT status is one of the three");
  }
  // Every command went to a unit that was found.
  for (const auto& write : adapters.Writes) {
    Check(write.Handle == kSynthAt || (adapters.WithSalvo && write.Handle == kSalvoAt),
          "a command to a unit that was not found");
  }
  return 0;
}
