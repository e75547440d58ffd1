#include "link/command_set.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "link/i2c_command.h"
#include "screen/messages.h"

namespace tarvos::link {
namespace {

// Compared as a double: 29.9 MHz held in single precision lies just below it, so 29.9
// itself is refused.
constexpr double kMinFrequencyMhz = 29.9;
constexpr float kBand1TopMhz = 1000.0f;
constexpr float kBand2TopMhz = 1500.0f;
constexpr long double kBand1OffsetMhz = 1300.0L;
constexpr int kRangeChangeTicks = 9;
constexpr int kAmplifierSwitchTicks = 18;

std::string VersionText(const ReplyMessage& message) {
  return std::to_string(message.Byte(5)) + "." + std::to_string(message.Byte(6));
}

uint8_t HighByte(uint32_t value) { return static_cast<uint8_t>((value >> 8) & 0xFF); }
uint8_t LowByte(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }

// The quotient is worked out in extended precision and held in single precision before
// it is rounded, ties to even: the counters of the band edges depend on it.
uint32_t PllCounter(long double mhz, float divisor) {
  const float quotient = static_cast<float>(mhz / static_cast<long double>(divisor));
  const float rounded = std::nearbyint(quotient);
  if (!(rounded > 0.0f)) return 0;
  if (rounded >= 4294967296.0f) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(rounded);
}

}  // namespace

float VersionNumber(std::string_view text) {
  if (text.empty()) return 0.0f;
  float value = 0.0f;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || ptr != end || !std::isfinite(value)) return 0.0f;
  return value;
}

CommandSet::CommandSet(AdapterAccess& access) : access_(access), link_(access.Link()) {
  access_.SetReplyHandler(this);
}

CommandSet::~CommandSet() {
  if (access_.Handler() == this) access_.SetReplyHandler(nullptr);
}

void CommandSet::SetFrequency(float hz) {
  const float f = hz / 1'000'000.0f;
  const bool range_high = f >= link_.RangeThreshold;
  const float divisor = 128.0f * link_.PllStep;

  // The band lines switch before the range checks, so a refused frequency may leave
  // them switched; the next accepted one sets them again.
  if (f >= kMinFrequencyMhz && f <= kBand1TopMhz) {
    link_.PllN = PllCounter(static_cast<long double>(f) + kBand1OffsetMhz, divisor);
    access_.ClearOutputBit(kRange0);
    access_.SetOutputBit(kRange1);
  } else if (f > kBand1TopMhz && f <= kBand2TopMhz) {
    link_.PllN = PllCounter(f, divisor);
    access_.SetOutputBit(kRange0);
    access_.SetOutputBit(kRange1);
  } else if (f > kBand2TopMhz && f <= link_.MaxFrequency) {
    link_.PllN = PllCounter(f, divisor);
    access_.SetOutputBit(kRange0);
    access_.ClearOutputBit(kRange1);
  }

  if (f > link_.MaxFrequency) {
    screen::Tell(access_.Operator(), screen::msg::kFrequencyTooHigh);
    return;
  }
  if (!(f >= kMinFrequencyMhz)) {  // NaN is refused here too
    screen::Tell(access_.Operator(), screen::msg::kFrequencyTooLow);
    return;
  }

  // The counter goes out as 16 bits.
  access_.SendSynth("07,40," + Hex2(HighByte(link_.PllN)) + "," + Hex2(LowByte(link_.PllN)) +
                    (range_high ? ",FF" : ",00") + ",00,00,04");
  // The synthesiser's range relays need the time to settle.
  if (range_high != link_.RangeHigh) access_.TickWait(kRangeChangeTicks, true);
  link_.RangeHigh = range_high;

  SelectAmplifier(f >= link_.AmplifierSwitchFrequency ? kAmplifier2 : kAmplifier1);
}

bool CommandSet::SetLevel(std::string_view mode, uint16_t dac, uint16_t set_point) {
  if (link_.FaultLatched) set_point = 0;
  return access_.SendSynth("0B,41," + std::string(mode) + ",FF,00," + Hex2(HighByte(dac)) + "," +
                           Hex2(LowByte(dac)) + ",00,00," + Hex2(HighByte(set_point)) + "," +
                           Hex2(LowByte(set_point)) + ",04");
}

std::string CommandSet::ApplyModulation(uint8_t modulation_type) {
  uint8_t base = 0x00;
  switch (modulation_type) {
    case kModulationNone:
    case kModulation1kHzAm:
      base = 0x80;
      break;
    case kModulation1HzPulse:
      base = 0x40;
      break;
    case kModulation20HzPulse:
      base = 0x20;
      break;
    case kModulation200HzPulse:
      base = 0x10;
      break;
    default:
      break;
  }
  // AM depth comes from the line; pulse modulation from the mode byte.
  if (modulation_type == kModulation1kHzAm) {
    access_.SetOutputBit(kModulation1k);
  } else {
    access_.ClearOutputBit(kModulation1k);
  }
  return Hex2(static_cast<uint8_t>(base | 0x01));
}

void CommandSet::RequestStatus() {
  access_.SendSynth("03,22,00,04");
  access_.ReadSynthReplies();
}

void CommandSet::RequestVersion() {
  if (link_.SynthPresent) access_.SendSynth("03,20,00,04");
}

void CommandSet::SelectAmplifier(uint8_t n) {
  static constexpr std::string_view kSwitch[] = {"03,40,01,04", "03,40,02,04", "03,40,03,04"};
  static constexpr const screen::MessageEntry* kPrompt[] = {&screen::msg::kDisconnectAmplifiers,
                                                            &screen::msg::kConnectAmplifier1,
                                                            &screen::msg::kConnectAmplifier2};
  if (n < kNoAmplifier || n > kAmplifier2) return;
  if (n == link_.LastAmplifierSelection) return;
  link_.LastAmplifierSelection = n;
  const std::size_t index = n - kNoAmplifier;

  if (!link_.SalvoPresent) {
    screen::Tell(access_.Operator(), *kPrompt[index]);
    return;
  }
  // Drive off while the relays change over.
  SetLevel(kModeLevel, 0, 0);
  access_.Operator().ShowBusy(true);
  access_.SendSalvo(kSwitch[index]);
  // Nothing may run while the amplifiers change over, so this wait does not pump.
  access_.TickWait(kAmplifierSwitchTicks, false);
  access_.SendSalvo("03,21,00,04");
  access_.ReadSalvoReplies();
  access_.Operator().ShowBusy(false);
}

void CommandSet::SynthMessage(const ReplyMessage& message) {
  switch (message.Type()) {
    case kVersionMessage:
      SynthVersion(message);
      break;
    case kMeasurementMessage:
      SynthMeasurement(message);
      break;
    case kStatusMessage:
      access_.Events().StatusByte(message.Byte(5));
      break;
    case kStatusChangeMessage:
      access_.Screen().diagnostics.status = std::to_string(message.Byte(2));
      access_.Events().StatusByte(message.Byte(2));
      break;
    case kCannotReachMessage:
      access_.Events().StatusByte(message.Byte(2));
      access_.Events().CannotReachSetPoint();
      break;
    default:
      break;
  }
}

void CommandSet::SalvoMessage(const ReplyMessage& message) {
  switch (message.Type()) {
    case kVersionMessage:
      SalvoVersion(message);
      break;
    case kMeasurementMessage:
      SalvoState(message);
      break;
    default:
      break;
  }
}

void CommandSet::SynthVersion(const ReplyMessage& message) {
  link_.HardwareVersionText = VersionText(message);
  link_.HardwareVersion = VersionNumber(link_.HardwareVersionText);
  auto& screen = access_.Screen();
  screen.devices.Set(link_.SynthInstance, 4, link_.HardwareVersionText);
  screen.about.hardware_version = "Hardware Version " + link_.HardwareVersionText;
}

void CommandSet::SynthMeasurement(const ReplyMessage& message) {
  link_.DacValue = message.Word(5);
  link_.ProbeValue = message.Word(9);
  link_.SetPointQuestionPending = false;
  auto& diagnostics = access_.Screen().diagnostics;
  diagnostics.dac_value = std::to_string(link_.DacValue);
  diagnostics.probe_value = std::to_string(link_.ProbeValue);
}

void CommandSet::SalvoVersion(const ReplyMessage& message) {
  const std::string text = VersionText(message);
  auto& screen = access_.Screen();
  screen.devices.Set(link_.SalvoInstance, 4, text);
  screen.about.salvo_hardware_version = "Hardware Version " + text;
}

void CommandSet::SalvoState(const ReplyMessage& message) {
  if (message.Byte(2) != 1) return;
  const bool auto_mode = (message.Byte(4) & 0x01) != 0;
  if (auto_mode) {
    if (message.Byte(5) != link_.LastAmplifierSelection) {
      access_.ReportFault(FaultCode::SalvoRangeError, Unit::Salvo);
    }
    return;
  }
  access_.ReportFault(FaultCode::SalvoManualMode, Unit::Salvo);
  if (access_.Events().RunPhaseActive()) {
    screen::Tell(access_.Operator(), screen::msg::kSwitchSalvoToAuto);
  }
}

}  // namespace tarvos::link
