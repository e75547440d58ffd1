#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/cell_calibration.h"
#include "sim/eut_profile.h"
#include "sim/field_model.h"

namespace tarvos::sim {

enum class UnitKind { kSynthesiser, kSalvo, kOther };

struct FirmwareVersion {
  uint8_t Major = 0;
  uint8_t Minor = 0;
};

// One USB I2C/IO adapter and the unit behind it.
struct BenchAdapter {
  uint8_t Instance = 0;
  uint32_t InputValue = 0;  // bits 2..7 are the HardwareId; the other bits may hold anything
  std::string Serial;       // up to 128 characters fit the serial buffer with a terminator
  UnitKind Kind = UnitKind::kOther;
};

// The hardware a simulated test set finds. Instances must differ.
struct Bench {
  std::string Name;
  std::vector<BenchAdapter> Adapters;
  FirmwareVersion SynthVersion{3, 6};
  FirmwareVersion SalvoVersion{1, 4};
  bool SalvoStartsAuto = true;
  // The amplifier wired to the cell by hand; only used when the bench has no Salvo unit.
  Amplifier HandAmplifier = Amplifier::kNone;
  EutProfile Eut = DefaultEutProfile();
  CellCalibration Cell = DefaultCellCalibration();
};

// The named benches; nothing for an unknown name.
std::optional<Bench> MakeBench(std::string_view name);
// Their names, the default ("fennix-salvo") first.
std::vector<std::string> BenchNames();

}  // namespace tarvos::sim
