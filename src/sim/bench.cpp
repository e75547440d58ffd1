#include "sim/bench.h"

#include <utility>

namespace tarvos::sim {
namespace {

constexpr uint32_t kCorvidId = 0x00;
constexpr uint32_t kFennixId = 0x04;
constexpr uint32_t kSalvoId = 0x08;
constexpr uint32_t kUnknownId = 0x10;

BenchAdapter Corvid(uint8_t instance) {
  return {instance, kCorvidId, "CV-100981", UnitKind::kSynthesiser};
}
BenchAdapter Fennix(uint8_t instance) {
  return {instance, kFennixId, "FX-104417", UnitKind::kSynthesiser};
}
BenchAdapter Salvo(uint8_t instance) { return {instance, kSalvoId, "SV-200352", UnitKind::kSalvo}; }

Bench Named(std::string name, std::vector<BenchAdapter> adapters,
            Amplifier hand = Amplifier::kNone) {
  Bench bench;
  bench.Name = std::move(name);
  bench.Adapters = std::move(adapters);
  bench.HandAmplifier = hand;
  return bench;
}

// Benches without a Salvo unit have amplifier 1 wired by hand, so that a test can level.
std::vector<Bench> AllBenches() {
  std::vector<Bench> benches;
  benches.push_back(Named("fennix-salvo", {Fennix(0), Salvo(1)}));
  benches.push_back(Named("corvid", {Corvid(0)}, Amplifier::kAmplifier1));
  benches.push_back(Named("fennix", {Fennix(0)}, Amplifier::kAmplifier1));
  benches.push_back(Named("none", {}));
  benches.push_back(Named("salvo-only", {Salvo(1)}));
  benches.push_back(Named("two-synths", {Corvid(0), Fennix(3)}, Amplifier::kAmplifier1));
  Bench old = Named("old-firmware", {Fennix(0), Salvo(1)});
  old.SynthVersion = {3, 2};
  benches.push_back(std::move(old));
  benches.push_back(Named("unknown-adapter",
                          {Fennix(0), Salvo(1), {2, kUnknownId, "UA-900001", UnitKind::kOther}}));
  return benches;
}

}  // namespace

std::optional<Bench> MakeBench(std::string_view name) {
  for (Bench& bench : AllBenches()) {
    if (bench.Name == name) return std::move(bench);
  }
  return std::nullopt;
}

std::vector<std::string> BenchNames() {
  std::vector<std::string> names;
  for (const Bench& bench : AllBenches()) names.push_back(bench.Name);
  return names;
}

}  // namespace tarvos::sim
