// A full redraw of the results graph with 2000 results, as the window redraws it during a
// run and at every repaint: axes, grid, set-point line, the results curve with its EUT
// band, and (second case) the pre-scan curve over it. On the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <memory>

#include "engine/result_store.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"
#include "ui/results_graph.h"
#include "window_rig.h"

namespace {

using namespace tarvos;

constexpr uint32_t kResults = 2000;

// A station after start-up on virtual time, its store holding a finished fine scan of
// 80 to 1000 MHz: the settings' colours, the cell's scale and a standard setup as a run
// leaves them.
struct GraphRig {
  bench::SeededFolder folder;
  platform::VirtualEventLoop loop;
  sim::SimulatedTestSet sim{*sim::MakeBench(bench::kSimBench), bench::kSimSeed,
                            [this] { return loop.ClockMs(); }};
  platform::ScriptedOperator op;
  std::unique_ptr<station::Station> station;

  GraphRig() {
    op.QueueInput(bench::kCellSerial);
    station = std::make_unique<station::Station>(
        station::StationParts{loop, sim, op, folder.Path(), bench::LocalClock});
    station->StartUp();
    setup::TestSetup& setup = station->Setup();
    setup.TestMode = setup::kStandard;
    setup.StartFrequency = 80'000'000;
    setup.EndFrequency = 1'000'000'000;
    setup.FieldStrength = 10.0F;
    engine::ResultStore& results = station->Results();
    const double ratio = std::pow(1000.0 / 80.0, 1.0 / (kResults - 1));
    for (uint32_t i = 1; i <= kResults; ++i) {
      const double hz = 80e6 * std::pow(ratio, i - 1);
      results.Entries[i] = {
          static_cast<uint32_t>(std::nearbyint(hz)), 10.0 + 0.4 * std::sin(i * 0.37),
          static_cast<uint16_t>(i % 97 == 0 ? engine::kEutFault : engine::kEutOk)};
      station->PreScan().Entries[i] = {results.Entries[i].Frequency,
                                       static_cast<uint16_t>(20000 + (i * 37) % 9000)};
    }
    results.Entries[0] = results.Entries[1];
    results.NextIndex = kResults;
    op.ClearHistory();  // from here on, only what a redraw shows
  }
  ~GraphRig() { station->Close(); }

  ui::GraphInputs Inputs() {
    return ui::GraphInputs{station->Setup(),
                           station->Cell(),
                           station->Config(),
                           station->Results(),
                           station->PreScan(),
                           station->Screen().graph,
                           op};
  }
};

void Redraw(benchmark::State& state, bool prescan_curve) {
  GraphRig rig;
  rig.station->Screen().graph.show_prescan_curve = prescan_curve;
  const ui::GraphInputs inputs = rig.Inputs();
  for (auto _ : state) {
    QImage image = ui::RedrawGraph(inputs);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["results"] = kResults;
  state.counters["messages_shown"] = static_cast<double>(rig.op.History().size());
}

void RedrawGraph2000(benchmark::State& state) { Redraw(state, false); }
void RedrawGraph2000WithPreScan(benchmark::State& state) { Redraw(state, true); }
BENCHMARK(RedrawGraph2000)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(RedrawGraph2000WithPreScan)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
