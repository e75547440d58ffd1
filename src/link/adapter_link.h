#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvos::link {

// Reply bytes as read, waiting to be divided into messages.
struct ReceiveStore {
  static constexpr std::size_t kSize = 4000;
  std::array<uint8_t, kSize> Bytes{};
  uint16_t WritePos = 0;
  uint16_t ScanPos = 0;
};

// The output lines of the synthesiser's adapter (line n is bit n of OutputImage).
inline constexpr int kOutputLineCount = 20;
inline constexpr int kPllSwitch = 0;
inline constexpr int kRange0 = 9;
inline constexpr int kRange1 = 10;
inline constexpr int kModulation1k = 11;
inline constexpr int kEutPrompt = 12;

// The engineering window's caption of a named line; empty for the others.
std::string_view OutputLineCaption(int line);

// Amplifier selections as SelectAmplifier takes them; 0 means none sent yet.
inline constexpr uint8_t kNoSelection = 0;
inline constexpr uint8_t kNoAmplifier = 1;
inline constexpr uint8_t kAmplifier1 = 2;
inline constexpr uint8_t kAmplifier2 = 3;

inline constexpr uint32_t kInitialRCounter = 5000;

// The adapter state and the values of the command set: one instance, owned by the
// station. A handle of 0 means no device.
struct AdapterLink {
  int32_t SynthHandle = 0;
  int32_t SalvoHandle = 0;
  bool SynthPresent = false;  // cleared by the third synthesiser fault
  bool SalvoPresent = false;
  uint8_t SynthInstance = 0;  // rows of the device grid
  uint8_t SalvoInstance = 0;

  uint32_t OutputImage = 0;  // what was last written to the port, or is about to be
  std::array<bool, kOutputLineCount> OutputLineState{};  // changed only by writes that worked

  uint8_t FaultCount = 1;        // the number the next synthesiser fault is shown with
  bool FaultLatched = false;     // holds every level set point at 0 until a run starts
  bool ReadsSuppressed = false;  // the engineering window is reading replies itself

  ReceiveStore SynthStore;  // the last synthesiser frame
  ReceiveStore SalvoStore;

  uint32_t PllN = 0;
  uint32_t RCounter = kInitialRCounter;
  // Fixed at start: the engineering window may change RCounter, never the step.
  float PllStep = 10.0f / static_cast<float>(kInitialRCounter);  // MHz
  float RangeThreshold = 200.0f;                                 // MHz
  float MaxFrequency = 1000.0f;                                  // MHz
  float AmplifierSwitchFrequency = 1000.0f;                      // MHz
  uint8_t AmplifierConfig = 0;  // 0 other amplifiers, 1 Kestrel series, 2 Vantor
  bool RangeHigh = false;       // the last frequency command asked for the high range
  uint8_t LastAmplifierSelection = kNoSelection;

  uint16_t DacValue = 0;
  uint16_t ProbeValue = 0;
  std::string HardwareVersionText;
  float HardwareVersion = 0.0f;
  bool SetPointQuestionPending = false;
  std::string ModelName;
};

}  // namespace tarvos::link
