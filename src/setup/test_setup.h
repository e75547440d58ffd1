#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarvos::setup {

// TestMode values. A pre-scanned mode is its normal mode + 10.
inline constexpr uint8_t kNoMode = 0;
inline constexpr uint8_t kStandard = 1;
inline constexpr uint8_t kSingle = 2;
inline constexpr uint8_t kCustom = 3;
inline constexpr uint8_t kPreScanOffset = 10;
inline constexpr uint8_t kPreScanStandard = 11;
inline constexpr uint8_t kPreScanSingle = 12;
inline constexpr uint8_t kPreScanCustom = 13;

inline constexpr std::size_t kCustomRows = 30;

// A mode and its pre-scanned form.
inline bool IsStandardMode(uint8_t mode) { return mode == kStandard || mode == kPreScanStandard; }
inline bool IsCustomMode(uint8_t mode) { return mode == kCustom || mode == kPreScanCustom; }
inline bool IsSingleMode(uint8_t mode) { return mode == kSingle || mode == kPreScanSingle; }
// The modes a run can level in (a pre-scanned single frequency has no levelling).
inline bool LevelsInMode(uint8_t mode) {
  return IsStandardMode(mode) || IsCustomMode(mode) || mode == kSingle;
}

struct CustomRow {
  uint32_t Frequency = 0;  // Hz; 0 marks an empty row
  float Level = 0.0F;      // V/m
};

// The operator's definition of a test. Frequencies in Hz, fields in V/m, times in s.
// The initial values are the program's start values; LoadDefaults sets the defaults.
struct TestSetup {
  uint8_t TestMode = kNoMode;
  uint32_t StartFrequency = 100'000'000;
  uint32_t EndFrequency = 200'000'000;
  float StepPercent = 1.0F;
  float FieldStrength = 1.0F;
  uint32_t DwellTime = 1;
  uint8_t ModulationType = 0;
  uint8_t EutPromptMode = 0;  // 0 Off, 1 Pulse, 2 On
  uint8_t EutStatusMode = 0;  // 0 Off, 1 Halt, 2 Continue
  uint8_t RangeChoice = 0;    // 0 "30 - 1000 MHz", 1 "1000 -2400 MHz", 2 "30-2400 MHz"
  uint32_t CurrentFrequency = 10'000'000;
  float SingleLevel = 1.0F;
  bool AutoIncrease = false;
  float StartLevel = 1.0F;
  float EndLevel = 10.0F;
  float LevelStep = 0.1F;
  uint32_t SingleDwell = 5;
  std::array<CustomRow, kCustomRows> CustomList{};
  int32_t EstimatedTime = 0;
};

// The texts of the modulation lists and depth labels, by ModulationType; empty outside
// 0 to 4 (such a value shows as no selection).
std::string_view ModulationName(uint8_t modulation_type);
std::string_view ModulationDepthText(uint8_t modulation_type);
// The mode label of a TestMode; empty for values without one.
std::string_view ModeLabel(uint8_t test_mode);

}  // namespace tarvos::setup
