#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/reply_message.h"

namespace tarvos::link {

// Modulation types, in the order of the window's lists.
inline constexpr uint8_t kModulationNone = 0;
inline constexpr uint8_t kModulation1HzPulse = 1;
inline constexpr uint8_t kModulation20HzPulse = 2;
inline constexpr uint8_t kModulation200HzPulse = 3;
inline constexpr uint8_t kModulation1kHzAm = 4;

// Level command modes.
inline constexpr std::string_view kModeLevel = "82";  // level to the set point
inline constexpr std::string_view kModeHold = "81";   // hold the given DAC value

// A version text "a.b" read as a number; 0 when it does not read as one.
float VersionNumber(std::string_view text);

// The commands of the synthesiser and the Salvo unit, built from program values, and
// what the program takes from their replies. Registers itself as the access's reply
// handler for its lifetime.
class CommandSet final : public ReplyHandler {
 public:
  explicit CommandSet(AdapterAccess& access);
  ~CommandSet() override;
  CommandSet(const CommandSet&) = delete;
  CommandSet& operator=(const CommandSet&) = delete;

  // Programs the frequency (Hz): band lines, PLL counter, range byte, the range-change
  // wait and the amplifier for it. Out of range it shows "Frequency too High" or
  // "Frequency too Low" and sends nothing.
  void SetFrequency(float hz);
  // mode: two hex digits. While a fault is latched the set point sent is 0. True when
  // the synthesiser took the whole command.
  bool SetLevel(std::string_view mode, uint16_t dac, uint16_t set_point);
  // The mode byte of the modulation type; switches the 1 kHz AM line to match.
  std::string ApplyModulation(uint8_t modulation_type);
  void RequestStatus();
  // Only while the synthesiser is present; the reply is left for the next read.
  void RequestVersion();
  // n: 1 no amplifier, 2 amplifier 1, 3 amplifier 2; other values do nothing. Switched
  // by the Salvo unit when there is one, otherwise asked of the operator.
  void SelectAmplifier(uint8_t n);

  void SynthMessage(const ReplyMessage& message) override;
  void SalvoMessage(const ReplyMessage& message) override;

 private:
  void SynthVersion(const ReplyMessage& message);
  void SynthMeasurement(const ReplyMessage& message);
  void SalvoVersion(const ReplyMessage& message);
  void SalvoState(const ReplyMessage& message);

  AdapterAccess& access_;
  AdapterLink& link_;
};

}  // namespace tarvos::link
