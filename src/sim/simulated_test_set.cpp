#include "sim/simulated_test_set.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

namespace tarvos::sim {
namespace {

constexpr std::size_t kMaxWrite = sizeof(platform::I2cTransfer::Data);
constexpr std::size_t kMaxRead = 64;

std::string InstanceText(uint8_t instance) { return std::to_string(static_cast<int>(instance)); }

}  // namespace

SimulatedTestSet::SimulatedTestSet(Bench bench, uint64_t seed, std::function<uint64_t()> clock_ms)
    : bench_(std::move(bench)),
      clock_ms_(std::move(clock_ms)),
      hand_amplifier_(bench_.HandAmplifier) {
  if (!clock_ms_) throw std::invalid_argument("simulated test set needs a clock");
  auto fitted = bench_.Adapters;
  std::sort(fitted.begin(), fitted.end(),
            [](const BenchAdapter& a, const BenchAdapter& b) { return a.Instance < b.Instance; });
  const uint64_t now = clock_ms_();
  for (const BenchAdapter& adapter_entry : fitted) {
    if (!adapters_.empty() && adapters_.back().Description.Instance == adapter_entry.Instance) {
      throw std::invalid_argument("two adapters at instance " +
                                  InstanceText(adapter_entry.Instance));
    }
    Adapter adapter;
    adapter.Description = adapter_entry;
    if (adapter_entry.Kind == UnitKind::kSynthesiser) {
      // Each synthesiser draws its own noise, so a second one does not shift the first.
      adapter.Synth.emplace(bench_.SynthVersion, bench_.Cell, bench_.Eut,
                            seed * 0x9E3779B97F4A7C15ULL + adapter_entry.Instance, now);
    } else if (adapter_entry.Kind == UnitKind::kSalvo) {
      adapter.Salvo.emplace(bench_.SalvoVersion, bench_.SalvoStartsAuto);
    }
    adapters_.push_back(std::move(adapter));
  }
}

int32_t SimulatedTestSet::OpenDeviceInstance(std::string_view device_name, uint8_t instance) {
  Sync();
  Adapter* adapter = device_name == kDeviceName ? Find(instance) : nullptr;
  if (adapter == nullptr || FaultsOf(*adapter).Unplugged) return -1;
  adapter->Open = true;
  return kHandleBase + instance;
}

int32_t SimulatedTestSet::CloseDeviceInstance(int32_t handle) {
  Sync();
  if (handle < kHandleBase || handle > kHandleBase + 255) return 0;
  Adapter* adapter = Find(static_cast<uint8_t>(handle - kHandleBase));
  if (adapter == nullptr || !adapter->Open) return 0;
  adapter->Open = false;
  return FaultsOf(*adapter).Unplugged ? 0 : 1;
}

bool SimulatedTestSet::GetSerialId(int32_t handle, platform::SerialBuffer& buffer) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr || FaultsOf(*adapter).SerialFails) return false;
  // A serial that fills the whole buffer gets no terminator, as the real library does.
  buffer.fill('\0');
  const std::string& serial = adapter->Description.Serial;
  std::copy_n(serial.begin(), std::min(serial.size(), buffer.size()), buffer.begin());
  return true;
}

bool SimulatedTestSet::ConfigIoPorts(int32_t handle, uint32_t config) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr || FaultsOf(*adapter).ConfigFails) return false;
  adapter->Config = config;
  return true;
}

bool SimulatedTestSet::ReadIoPorts(int32_t handle, uint32_t& value) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr) return false;
  value = adapter->Description.InputValue;
  if (adapter->Synth && faults_.Synth.AmplifierFault) value |= kAmplifierFaultInput;
  return true;
}

bool SimulatedTestSet::WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr || ConsumeFault(FaultsOf(*adapter).FailingPortWrites)) return false;
  adapter->OutputImage = (adapter->OutputImage & ~mask) | (value & mask);
  return true;
}

int32_t SimulatedTestSet::WriteI2c(int32_t handle, platform::I2cTransfer& transfer) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr || transfer.SlaveAddress != kSlaveAddress) return 0;
  if (transfer.Count == 0 || transfer.Count > kMaxWrite) return 0;
  std::size_t delivered = transfer.Count;
  if (ConsumeFault(FaultsOf(*adapter).ShortWrites)) --delivered;
  if (delivered == 0) return 0;

  const std::span<const uint8_t> bytes(transfer.Data, delivered);
  adapter->Written.emplace_back(bytes.begin(), bytes.end());
  if (adapter->Synth) {
    adapter->Synth->Receive(bytes, ConditionsFor(*adapter));
  } else if (adapter->Salvo) {
    adapter->Salvo->Receive(bytes, faults_.Salvo);
  }
  return static_cast<int32_t>(delivered);
}

int32_t SimulatedTestSet::ReadI2c(int32_t handle, platform::I2cTransfer& transfer) {
  Sync();
  Adapter* adapter = Usable(handle);
  if (adapter == nullptr || transfer.SlaveAddress != kSlaveAddress) return 0;
  if (transfer.Count == 0 || transfer.Count > kMaxRead) return 0;

  const std::span<uint8_t> frame(transfer.Data, transfer.Count);
  if (adapter->Synth) {
    adapter->Synth->FillFrame(frame, ConditionsFor(*adapter));
  } else if (adapter->Salvo) {
    adapter->Salvo->FillFrame(frame);
  } else {
    std::fill(frame.begin(), frame.end(), uint8_t{0});
  }
  // A short read still takes the replies off the unit: they are lost, as on the bus.
  std::size_t returned = transfer.Count;
  if (ConsumeFault(FaultsOf(*adapter).ShortReads)) --returned;
  return static_cast<int32_t>(returned);
}

void SimulatedTestSet::SetEutProfile(const EutProfile& profile) {
  Sync();
  bench_.Eut = profile;
  for (Adapter& adapter : adapters_) {
    if (adapter.Synth) adapter.Synth->SetEutProfile(profile);
  }
}

Amplifier SimulatedTestSet::ConnectedAmplifier() const {
  for (auto it = adapters_.rbegin(); it != adapters_.rend(); ++it) {
    if (it->Salvo) return it->Salvo->Connected();
  }
  return hand_amplifier_;
}

SynthState SimulatedTestSet::Synth() {
  Sync();
  const Adapter& adapter = PrimarySynth();
  return adapter.Synth->State(ConditionsFor(adapter));
}

SynthState SimulatedTestSet::SynthAt(uint8_t instance) {
  Sync();
  const Adapter& adapter = Get(instance);
  if (!adapter.Synth) {
    throw std::out_of_range("no synthesiser at instance " + InstanceText(instance));
  }
  return adapter.Synth->State(ConditionsFor(adapter));
}

SalvoState SimulatedTestSet::Salvo() {
  Sync();
  return PrimarySalvo().Salvo->State(faults_.Salvo);
}

const std::vector<Packet>& SimulatedTestSet::SynthPackets() const { return PrimarySynth().Written; }

const std::vector<Packet>& SimulatedTestSet::SalvoPackets() const { return PrimarySalvo().Written; }

const std::vector<Packet>& SimulatedTestSet::Packets(uint8_t instance) const {
  return Get(instance).Written;
}

void SimulatedTestSet::ClearPackets() {
  for (Adapter& adapter : adapters_) adapter.Written.clear();
}

uint32_t SimulatedTestSet::OutputImage(uint8_t instance) const { return Get(instance).OutputImage; }

std::optional<uint32_t> SimulatedTestSet::IoConfig(uint8_t instance) const {
  return Get(instance).Config;
}

bool SimulatedTestSet::IsOpen(uint8_t instance) const { return Get(instance).Open; }

void SimulatedTestSet::Sync() {
  const uint64_t now = clock_ms_();
  for (Adapter& adapter : adapters_) {
    if (adapter.Synth) adapter.Synth->AdvanceTo(now, ConditionsFor(adapter));
  }
}

SimulatedTestSet::Adapter* SimulatedTestSet::Find(uint8_t instance) {
  auto it = std::find_if(adapters_.begin(), adapters_.end(), [instance](const Adapter& a) {
    return a.Description.Instance == instance;
  });
  return it == adapters_.end() ? nullptr : &*it;
}

const SimulatedTestSet::Adapter& SimulatedTestSet::Get(uint8_t instance) const {
  auto it = std::find_if(adapters_.begin(), adapters_.end(), [instance](const Adapter& a) {
    return a.Description.Instance == instance;
  });
  if (it == adapters_.end()) {
    throw std::out_of_range("no adapter at instance " + InstanceText(instance));
  }
  return *it;
}

SimulatedTestSet::Adapter* SimulatedTestSet::Usable(int32_t handle) {
  if (handle < kHandleBase || handle > kHandleBase + 255) return nullptr;
  Adapter* adapter = Find(static_cast<uint8_t>(handle - kHandleBase));
  if (adapter == nullptr || !adapter->Open || FaultsOf(*adapter).Unplugged) return nullptr;
  return adapter;
}

UnitFaults& SimulatedTestSet::FaultsOf(const Adapter& adapter) {
  if (adapter.Synth) return faults_.Synth;
  if (adapter.Salvo) return faults_.Salvo;
  return faults_.Other;
}

SynthConditions SimulatedTestSet::ConditionsFor(const Adapter& adapter) const {
  SynthConditions conditions;
  conditions.Connected = ConnectedAmplifier();
  conditions.OutputImage = adapter.OutputImage;
  conditions.AmplifierFault = faults_.Synth.AmplifierFault;
  conditions.RangeMismatch = faults_.Synth.RangeMismatch;
  conditions.UnreachableSetPoint = faults_.Synth.UnreachableSetPoint;
  return conditions;
}

const SimulatedTestSet::Adapter& SimulatedTestSet::PrimarySynth() const {
  for (auto it = adapters_.rbegin(); it != adapters_.rend(); ++it) {
    if (it->Synth) return *it;
  }
  throw std::out_of_range("the bench has no synthesiser");
}

const SimulatedTestSet::Adapter& SimulatedTestSet::PrimarySalvo() const {
  for (auto it = adapters_.rbegin(); it != adapters_.rend(); ++it) {
    if (it->Salvo) return *it;
  }
  throw std::out_of_range("the bench has no Salvo unit");
}

}  // namespace tarvos::sim
