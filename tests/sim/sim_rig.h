#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/adapter_library.h"
#include "platform/virtual_event_loop.h"
#include "sim/bench.h"
#include "sim/cell_value.h"
#include "sim/simulated_test_set.h"

namespace tarvos::sim::testing {

using Bytes = std::vector<uint8_t>;

inline constexpr uint32_t kRange0 = 1U << 9;
inline constexpr uint32_t kRange1 = 1U << 10;
inline constexpr uint8_t kEut = 0x01;
inline constexpr uint8_t kAmpFault = 0x02;
inline constexpr uint8_t kBusy = 0x10;
inline constexpr uint8_t kReached = 0x20;
inline constexpr uint8_t kLow = 0x40;
inline constexpr uint8_t kHigh = 0x80;

inline Bench BenchNamed(std::string_view name) {
  auto bench = MakeBench(name);
  EXPECT_TRUE(bench.has_value()) << name;
  return bench.value_or(Bench{});
}

// A simulated test set on virtual time, with the adapters opened and the few commands
// the tests need spelled as the program sends them.
class Rig {
 public:
  explicit Rig(Bench bench, uint64_t seed = 1)
      : sim(std::move(bench), seed, [this] { return loop.ClockMs(); }) {
    for (const BenchAdapter& adapter_entry : sim.BenchInUse().Adapters) {
      const int32_t handle = sim.OpenDeviceInstance("UsbI2cIo", adapter_entry.Instance);
      if (adapter_entry.Kind == UnitKind::kSynthesiser) synth = handle;
      if (adapter_entry.Kind == UnitKind::kSalvo) salvo = handle;
    }
  }
  explicit Rig(std::string_view name = "fennix-salvo", uint64_t seed = 1)
      : Rig(BenchNamed(name), seed) {}

  int32_t Write(int32_t handle, const Bytes& bytes, uint8_t address = 0x9A) {
    platform::I2cTransfer transfer{};
    transfer.SlaveAddress = address;
    transfer.Count = static_cast<uint16_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), transfer.Data);
    return sim.WriteI2c(handle, transfer);
  }

  // The whole data field asked for; `returned` gets the call's result.
  Bytes Read(int32_t handle, uint16_t count = 16, int32_t* returned = nullptr) {
    platform::I2cTransfer transfer{};
    transfer.SlaveAddress = 0x9A;
    transfer.Count = count;
    const int32_t n = sim.ReadI2c(handle, transfer);
    if (returned != nullptr) *returned = n;
    return Bytes(transfer.Data, transfer.Data + std::min<std::size_t>(count, 65));
  }

  void Lines(uint32_t lines) { ASSERT_TRUE(sim.WriteIoPorts(synth, lines, 0xFFFFFFFF)); }

  // The frequency command as the program builds it, band lines included.
  void Tune(double mhz) {
    double n = mhz / 0.256;
    if (mhz <= 1000.0) {
      Lines(kRange1);
      n = (mhz + 1300.0) / 0.256;
    } else if (mhz <= 1500.0) {
      Lines(kRange0 | kRange1);
    } else {
      Lines(kRange0);
    }
    const auto counter = static_cast<uint16_t>(std::nearbyint(n));
    const uint8_t range = mhz >= 200.0 ? 0xFF : 0x00;
    ASSERT_EQ(Write(synth, {0x07, 0x40, static_cast<uint8_t>(counter >> 8),
                            static_cast<uint8_t>(counter & 0xFF), range, 0, 0, 0x04}),
              8);
  }

  void Level(uint8_t mode, uint16_t dac, uint16_t set_point) {
    ASSERT_EQ(
        Write(synth, {0x0B, 0x41, mode, 0xFF, 0x00, static_cast<uint8_t>(dac >> 8),
                      static_cast<uint8_t>(dac & 0xFF), 0, 0, static_cast<uint8_t>(set_point >> 8),
                      static_cast<uint8_t>(set_point & 0xFF), 0x04}),
        12);
  }
  void CloseLoop(uint16_t set_point) { Level(0x82, 0, set_point); }

  void Select(uint8_t selection) { ASSERT_EQ(Write(salvo, {0x03, 0x40, selection, 0x04}), 4); }

  // The set point the program computes for a target field.
  uint16_t SetPointFor(double mhz, double field_vm) const {
    const double s = ProbeCounts(sim.Calibration(), mhz * 1e6, field_vm);
    return static_cast<uint16_t>(std::nearbyint(std::clamp(s, 1.0, 65535.0)));
  }

  // The status byte of the next frame, whichever status message carries it.
  uint8_t Status() {
    const Bytes frame = Read(synth);
    for (std::size_t i = 0; i + 1 < frame.size() && frame[i] != 0; i += frame[i] + 1u) {
      if (frame[i + 1] == 0xC3 && i + 5 < frame.size()) return frame[i + 5];
      if ((frame[i + 1] == 0xC4 || frame[i + 1] == 0xD0) && i + 2 < frame.size()) {
        return frame[i + 2];
      }
    }
    ADD_FAILURE() << "no status in the frame";
    return 0;
  }

  struct Reading {
    uint16_t Dac = 0;
    uint16_t Probe = 0;
  };
  Reading Measure() {
    EXPECT_EQ(Write(synth, {0x03, 0x21, 0x00, 0x04}), 4);
    const Bytes frame = Read(synth);
    EXPECT_EQ(frame[1], 0xC1);
    return {static_cast<uint16_t>(frame[5] << 8 | frame[6]),
            static_cast<uint16_t>(frame[9] << 8 | frame[10])};
  }

  platform::VirtualEventLoop loop;
  SimulatedTestSet sim;
  int32_t synth = 0;
  int32_t salvo = 0;
};

}  // namespace tarvos::sim::testing
