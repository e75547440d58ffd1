// Levels and reads back simulated steps on virtual time, the way a scan does: program
// the frequency, send the level command, read frames until the synthesiser reports the
// set point reached, then ask for and read the probe and DAC values.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "screen/screen.h"
#include "sim/bench.h"
#include "sim/cell_value.h"
#include "sim/simulated_test_set.h"

namespace {

using namespace tarvos;

class LevelWatch final : public link::LinkEvents {
 public:
  void StatusByte(uint8_t status) override {
    busy = (status & 0x10) != 0;
    reached = (status & 0x20) != 0;
  }
  void CannotReachSetPoint() override { ++cannot_reach; }
  void ControlsChanged() override {}
  bool RunPhaseActive() const override { return true; }

  bool busy = true;
  bool reached = false;
  int cannot_reach = 0;
};

struct Rig {
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  link::AdapterLink state;
  LevelWatch watch;
  sim::SimulatedTestSet sim{*sim::MakeBench("fennix-salvo"), 1, [this] { return loop.ClockMs(); }};
  link::AdapterAccess access{state, sim, loop, op, screen, watch};
  link::CommandSet commands{access};

  Rig() {
    state.SynthHandle = sim.OpenDeviceInstance("UsbI2cIo", 0);
    state.SalvoHandle = sim.OpenDeviceInstance("UsbI2cIo", 1);
    if (state.SynthHandle <= 0 || state.SalvoHandle <= 0) throw std::runtime_error("no bench");
    state.SynthPresent = true;
    state.SalvoPresent = true;
  }

  // One levelled and measured step; false when it did not level.
  bool Step(uint32_t hz, double field) {
    commands.SetFrequency(static_cast<float>(hz));
    const auto set_point = static_cast<uint16_t>(
        std::nearbyint(sim::ProbeCounts(sim.Calibration(), hz, field)));
    watch.reached = false;
    commands.SetLevel(link::kModeLevel, 0, set_point);
    for (int pass = 0; pass < 2000; ++pass) {
      access.ReadSynthReplies();
      if (!watch.busy && watch.reached) break;
    }
    if (!watch.reached) return false;
    access.TickWait(5, true);
    state.DacValue = 0;
    access.SendSynth("03,21,00,04");
    access.TickWait(5, true);
    access.ReadSynthReplies();
    return state.DacValue > 0;
  }
};

void LevelledStepsOnVirtualTime(benchmark::State& bench_state) {
  Rig rig;
  uint32_t hz = 80'000'000;
  int64_t steps = 0;
  int64_t failed = 0;
  const uint64_t virtual_start = rig.loop.ElapsedMs();
  for (auto _ : bench_state) {
    if (rig.Step(hz, 3.0)) {
      ++steps;
    } else {
      ++failed;
    }
    hz = static_cast<uint32_t>(std::nearbyint(hz * 1.01L));
    if (hz > 1'000'000'000) hz = 80'000'000;
  }
  const double virtual_seconds = static_cast<double>(rig.loop.ElapsedMs() - virtual_start) / 1000;
  bench_state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps),
                                                       benchmark::Counter::kIsRate);
  bench_state.counters["virtual_s/step"] =
      steps > 0 ? virtual_seconds / static_cast<double>(steps) : 0.0;
  bench_state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(LevelledStepsOnVirtualTime)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
