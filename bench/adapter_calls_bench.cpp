// The cost of one adapter call: the simulated test set's library loaded in this process,
// and the same library served by the adapter helper over its pipes. A scan makes a few
// hundred calls a second at most, so the helper's round trip must stay far below a
// millisecond.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/adapter_library.h"
#include "platform/process_adapters.h"
#include "platform/shared_library_adapters.h"

namespace {

using namespace tarvos;

constexpr const char* kDeviceName = "UsbI2cIo";

std::unique_ptr<platform::AdapterLibrary> Library(bool through_helper) {
  if (!through_helper) return platform::SharedLibraryAdapters::Load(TARVOS_SIM_LIBRARY);
  return std::make_unique<platform::ProcessAdapters>(
      TARVOS_ADAPTER_HELPER, TARVOS_SIM_LIBRARY, platform::ProcessAdapters::Limits{},
      [](const std::string& text) { throw std::runtime_error(text); });
}

// The synthesiser's input lines, as the status poll reads them.
void ReadPortCalls(benchmark::State& state) {
  auto library = Library(state.range(0) != 0);
  const int32_t handle = library->OpenDeviceInstance(kDeviceName, 0);
  if (handle <= 0 || !library->ConfigIoPorts(handle, 0x000F00FC)) {
    state.SkipWithError("no synthesiser");
    return;
  }
  uint32_t value = 0;
  int64_t failed = 0;
  for (auto _ : state) {
    if (!library->ReadIoPorts(handle, value)) ++failed;
    benchmark::DoNotOptimize(value);
  }
  library->CloseDeviceInstance(handle);
  state.SetItemsProcessed(state.iterations());
  state.counters["calls/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(ReadPortCalls)->Arg(0)->Arg(1)->ArgName("helper")->UseRealTime();

// A version request written and one 16-byte frame read: the record goes both ways.
void I2cRoundTrips(benchmark::State& state) {
  auto library = Library(state.range(0) != 0);
  const int32_t handle = library->OpenDeviceInstance(kDeviceName, 0);
  if (handle <= 0) {
    state.SkipWithError("no synthesiser");
    return;
  }
  int64_t failed = 0;
  for (auto _ : state) {
    platform::I2cTransfer request{};
    request.SlaveAddress = 0x9A;
    request.Count = 4;
    const uint8_t version[] = {0x03, 0x20, 0x00, 0x04};
    std::memcpy(request.Data, version, sizeof version);
    if (library->WriteI2c(handle, request) != 4) ++failed;
    platform::I2cTransfer reply{};
    reply.SlaveAddress = 0x9A;
    reply.Count = 16;
    if (library->ReadI2c(handle, reply) != 16) ++failed;
    benchmark::DoNotOptimize(reply);
  }
  library->CloseDeviceInstance(handle);
  state.counters["calls/s"] = benchmark::Counter(2.0 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(I2cRoundTrips)->Arg(0)->Arg(1)->ArgName("helper")->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
