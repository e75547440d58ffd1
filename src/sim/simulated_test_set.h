#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/adapter_library.h"
#include "sim/bench.h"
#include "sim/cell_calibration.h"
#include "sim/eut_profile.h"
#include "sim/fault_plan.h"
#include "sim/field_model.h"
#include "sim/salvo_unit.h"
#include "sim/synthesiser.h"

namespace tarvos::sim {

// The bytes of one I2C write as the unit received them.
using Packet = std::vector<uint8_t>;

// The whole test set behind the adapter calls: adapters, synthesiser, Salvo unit,
// amplifiers, cell, probe and EUT. It has no thread and no timer: every call first brings
// the simulation up to the clock it was given.
class SimulatedTestSet final : public platform::AdapterLibrary {
 public:
  static constexpr int32_t kHandleBase = 1000;  // handle = base + instance
  static constexpr uint8_t kSlaveAddress = 0x9A;
  static constexpr std::string_view kDeviceName = "UsbI2cIo";
  static constexpr uint32_t kAmplifierFaultInput = 1U << 17;

  // Throws std::invalid_argument when two adapters share an instance or there is no clock.
  SimulatedTestSet(Bench bench, uint64_t seed, std::function<uint64_t()> clock_ms);
  SimulatedTestSet(const SimulatedTestSet&) = delete;
  SimulatedTestSet& operator=(const SimulatedTestSet&) = delete;

  int32_t OpenDeviceInstance(std::string_view device_name, uint8_t instance) override;
  int32_t CloseDeviceInstance(int32_t handle) override;
  bool GetSerialId(int32_t handle, platform::SerialBuffer& buffer) override;
  bool ConfigIoPorts(int32_t handle, uint32_t config) override;
  bool ReadIoPorts(int32_t handle, uint32_t& value) override;
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override;
  int32_t WriteI2c(int32_t handle, platform::I2cTransfer& transfer) override;
  int32_t ReadI2c(int32_t handle, platform::I2cTransfer& transfer) override;

  FaultPlan& Faults() { return faults_; }
  const Bench& BenchInUse() const { return bench_; }
  const CellCalibration& Calibration() const { return bench_.Cell; }

  void SetEutProfile(const EutProfile& profile);
  // Takes effect only on a bench without a Salvo unit.
  void ConnectAmplifierByHand(Amplifier amplifier) { hand_amplifier_ = amplifier; }
  Amplifier ConnectedAmplifier() const;

  // Inspection. "The synthesiser" is the one at the highest instance, which the program
  // uses; "the Salvo" likewise. These throw std::out_of_range when the bench has no such
  // unit or adapter.
  SynthState Synth();
  SynthState SynthAt(uint8_t instance);
  SalvoState Salvo();
  const std::vector<Packet>& SynthPackets() const;
  const std::vector<Packet>& SalvoPackets() const;
  const std::vector<Packet>& Packets(uint8_t instance) const;
  void ClearPackets();
  uint32_t OutputImage(uint8_t instance) const;
  std::optional<uint32_t> IoConfig(uint8_t instance) const;  // nothing before ConfigIoPorts
  bool IsOpen(uint8_t instance) const;

 private:
  struct Adapter {
    BenchAdapter Description;
    bool Open = false;
    std::optional<uint32_t> Config;
    uint32_t OutputImage = 0;
    std::vector<Packet> Written;
    std::optional<Synthesiser> Synth;
    std::optional<SalvoUnit> Salvo;
  };

  void Sync();
  Adapter* Find(uint8_t instance);
  const Adapter& Get(uint8_t instance) const;
  // The adapter of an open handle that is still plugged in, or nothing.
  Adapter* Usable(int32_t handle);
  UnitFaults& FaultsOf(const Adapter& adapter);
  SynthConditions ConditionsFor(const Adapter& adapter) const;
  const Adapter& PrimarySynth() const;
  const Adapter& PrimarySalvo() const;

  Bench bench_;
  std::function<uint64_t()> clock_ms_;
  std::vector<Adapter> adapters_;  // in instance order
  FaultPlan faults_;
  Amplifier hand_amplifier_;
};

}  // namespace tarvos::sim
