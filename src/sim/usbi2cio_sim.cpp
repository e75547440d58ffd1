// The simulated test set behind the adapter C interface, so that the program loads it like
// a vendor's library. Bench from TARVOS_SIM_BENCH (default fennix-salvo), seed from
// TARVOS_SIM_SEED (default 1), time from the steady clock.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/adapter_library.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "tarvos/usbi2cio.h"

// The build hides every other symbol; a Windows build names its exports in a .def file
// and sets this empty.
#ifndef TARVOS_EXPORT_ATTRIBUTE
#define TARVOS_EXPORT_ATTRIBUTE __attribute__((visibility("default")))
#endif
#define TARVOS_EXPORT extern "C" TARVOS_EXPORT_ATTRIBUTE

namespace {

using tarvos::sim::Bench;
using tarvos::sim::SimulatedTestSet;

constexpr std::string_view kDefaultBench = "fennix-salvo";
constexpr uint64_t kDefaultSeed = 1;

Bench BenchFromEnvironment() {
  const char* text = std::getenv("TARVOS_SIM_BENCH");
  const std::string_view name = text != nullptr && *text != '\0' ? text : kDefaultBench;
  if (auto bench = tarvos::sim::MakeBench(name)) return *bench;
  std::cerr << "usbi2cio_sim: unknown bench \"" << name << "\", no adapters\n";
  Bench empty;
  empty.Name = std::string(name);
  return empty;
}

uint64_t SeedFromEnvironment() {
  const char* text = std::getenv("TARVOS_SIM_SEED");
  if (text == nullptr || *text == '\0') return kDefaultSeed;
  const std::string_view digits(text);
  uint64_t seed = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seed);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    std::cerr << "usbi2cio_sim: TARVOS_SIM_SEED \"" << digits << "\" is not a number, using 1\n";
    return kDefaultSeed;
  }
  return seed;
}

#ifdef TARVOS_SIM_TEST_HOOKS
// A build for the tests of the adapter helper only. Its time is the decimal number of
// milliseconds in the file TARVOS_SIM_CLOCK_FILE names, which a test on virtual time
// writes before each call, so that the simulator in the helper keeps the test's clock;
// once the file TARVOS_SIM_HANG_FILE names exists, a read never returns; and the packets
// the synthesiser took are logged for the test to compare.
uint64_t ClockFromFile() {
  const char* path = std::getenv("TARVOS_SIM_CLOCK_FILE");
  std::ifstream in(path == nullptr ? "" : path);
  uint64_t ms = 0;
  in >> ms;
  return ms;
}

// Every packet the synthesisers have taken, as "0A,1B,..." lines appended to the file
// TARVOS_SIM_PACKET_LOG names, once each.
void LogSynthPackets(SimulatedTestSet& simulator) {
  static std::size_t logged = 0;
  const char* path = std::getenv("TARVOS_SIM_PACKET_LOG");
  const auto& packets = simulator.SynthPackets();
  if (path == nullptr || logged >= packets.size()) return;
  std::ofstream out(path, std::ios::app);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (; logged < packets.size(); ++logged) {
    std::string line;
    for (const uint8_t byte : packets[logged]) {
      if (!line.empty()) line += ',';
      line += kDigits[byte >> 4];
      line += kDigits[byte & 0x0F];
    }
    out << line << '\n';
  }
}

void HangWhenAsked() {
  const char* path = std::getenv("TARVOS_SIM_HANG_FILE");
  if (path == nullptr || !std::ifstream(path)) return;
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
#endif

std::function<uint64_t()> SimulatorClock() {
#ifdef TARVOS_SIM_TEST_HOOKS
  return ClockFromFile;
#else
  return [start = std::chrono::steady_clock::now()] {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  };
#endif
}

// The C interface carries no context pointer, so the library has to keep its one simulator
// itself: made on first use, it lives until the library is unloaded.
SimulatedTestSet& Simulator() {
  static SimulatedTestSet simulator(BenchFromEnvironment(), SeedFromEnvironment(),
                                    SimulatorClock());
  return simulator;
}

#ifdef TARVOS_SIM_TEST_HOOKS
// Made as the library loads, at the time the test set for it, as a test's own simulator
// is made with its station.
const bool kMadeAtLoad = (Simulator(), true);
#endif

// No exception may cross into the caller's C code: any failure is a failed call.
template <typename Call>
int32_t Guarded(Call call) noexcept {
  try {
    return call();
  } catch (const std::exception& error) {
    std::cerr << "usbi2cio_sim: " << error.what() << '\n';
  } catch (...) {
    std::cerr << "usbi2cio_sim: unknown failure\n";
  }
  return 0;
}

}  // namespace

TARVOS_EXPORT int32_t DAPI_CALL DAPI_OpenDeviceInstance(const char* device_name, uint8_t instance) {
  if (device_name == nullptr) return -1;
  const int32_t handle =
      Guarded([&] { return Simulator().OpenDeviceInstance(device_name, instance); });
  return handle == 0 ? -1 : handle;
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_CloseDeviceInstance(int32_t handle) {
  return Guarded([&] { return Simulator().CloseDeviceInstance(handle); });
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_GetSerialId(int32_t handle, char* buffer) {
  if (buffer == nullptr) return 0;
  return Guarded([&]() -> int32_t {
    tarvos::platform::SerialBuffer serial{};
    if (!Simulator().GetSerialId(handle, serial)) return 0;
    std::memcpy(buffer, serial.data(), serial.size());
    return 1;
  });
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_ConfigIoPorts(int32_t handle, uint32_t config) {
  return Guarded([&] { return Simulator().ConfigIoPorts(handle, config) ? 1 : 0; });
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_ReadIoPorts(int32_t handle, uint32_t* value) {
  if (value == nullptr) return 0;
  return Guarded([&] { return Simulator().ReadIoPorts(handle, *value) ? 1 : 0; });
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) {
  return Guarded([&] { return Simulator().WriteIoPorts(handle, value, mask) ? 1 : 0; });
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_WriteI2c(int32_t handle, I2cTransfer* transfer) {
  if (transfer == nullptr) return 0;
  const int32_t written = Guarded([&] { return Simulator().WriteI2c(handle, *transfer); });
#ifdef TARVOS_SIM_TEST_HOOKS
  LogSynthPackets(Simulator());
#endif
  return written;
}

TARVOS_EXPORT int32_t DAPI_CALL DAPI_ReadI2c(int32_t handle, I2cTransfer* transfer) {
  if (transfer == nullptr) return 0;
#ifdef TARVOS_SIM_TEST_HOOKS
  HangWhenAsked();
#endif
  return Guarded([&] { return Simulator().ReadI2c(handle, *transfer); });
}
