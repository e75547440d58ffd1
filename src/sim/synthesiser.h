#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>

#include "sim/bench.h"
#include "sim/cell_calibration.h"
#include "sim/command_packet.h"
#include "sim/eut_profile.h"
#include "sim/field_model.h"
#include "sim/reply_queue.h"

namespace tarvos::sim {

// Which band lines the last frequency command was decoded with: band 1 (line 9 clear,
// line 10 set, offset by 1300 MHz), band 2 (both set), band 3 (line 9 set, line 10 clear).
enum class FrequencyBand { kNone, kBand1, kBand2, kBand3 };

enum class LoopMode { kOff, kClosedLoop, kHold };

// What surrounds the synthesiser at the moment of a call.
struct SynthConditions {
  Amplifier Connected = Amplifier::kNone;
  uint32_t OutputImage = 0;  // its adapter's output lines
  bool AmplifierFault = false;
  bool RangeMismatch = false;
  bool UnreachableSetPoint = false;
};

// What a test can see of the synthesiser.
struct SynthState {
  double FrequencyMhz = 0.0;  // 0 without a valid band
  FrequencyBand Band = FrequencyBand::kNone;
  bool RangeHigh = false;
  uint8_t ModeByte = 0;  // of the last level command taken
  LoopMode Mode = LoopMode::kOff;
  uint8_t Pulse = 0x80;  // 80 none, 40 1 Hz, 20 20 Hz, 10 200 Hz
  uint16_t Dac = 0;
  uint16_t SetPoint = 0;
  double FieldVm = 0.0;
  double Probe = 0.0;  // without noise
  bool Busy = false;
  bool Reached = false;
  bool CannotReach = false;  // the loop gave up on the current level command
  bool AmOn = false;
  uint32_t OutputImage = 0;
  uint8_t Status = 0;  // as the next status message would carry it
  Amplifier Connected = Amplifier::kNone;
  int Resets = 0;
  bool StartUpSeen = false;
  uint16_t PllN = 0;
  uint16_t PllR = 0;
  int CannotReachMessages = 0;
  int MalformedPackets = 0;
  int IgnoredPackets = 0;
  std::size_t QueuedReplies = 0;
};

// The synthesiser box: parses command packets, runs its levelling loop on the caller's
// clock, and answers with reply frames. Time moves only when AdvanceTo is called.
class Synthesiser {
 public:
  static constexpr uint64_t kStepMs = 10;
  static constexpr uint64_t kGiveUpMs = 500;
  static constexpr double kToleranceFraction = 0.005;

  Synthesiser(FirmwareVersion version, CellCalibration cell, EutProfile eut, uint64_t seed,
              uint64_t now_ms);

  // Runs the loop up to the time in fixed steps; a settled loop jumps straight there.
  void AdvanceTo(uint64_t now_ms, const SynthConditions& conditions);
  void Receive(std::span<const uint8_t> packet, const SynthConditions& conditions);
  // Queued replies while whole ones fit, then one unsolicited status message when no
  // status message is in the frame and it has room, the rest zero.
  void FillFrame(std::span<uint8_t> frame, const SynthConditions& conditions);

  SynthState State(const SynthConditions& conditions) const;
  void SetEutProfile(EutProfile profile);
  const CellCalibration& Cell() const { return cell_; }

 private:
  // Everything the loop's target DAC value depends on.
  struct Plant {
    FrequencyBand Band = FrequencyBand::kNone;
    double FrequencyMhz = 0.0;
    Amplifier Connected = Amplifier::kNone;
    uint16_t SetPoint = 0;
    bool Unreachable = false;
    bool operator==(const Plant&) const = default;
  };

  // False for a command this synthesiser does not know.
  bool Execute(const CommandPacket& command, const SynthConditions& conditions);
  void Reset();
  void SetFrequency(std::span<const uint8_t> args, uint32_t output_image);
  bool SetLevel(std::span<const uint8_t> args, const SynthConditions& conditions);
  void QueueMeasurement(const SynthConditions& conditions);

  void StartLoop(const SynthConditions& conditions);
  void FollowPlant(const SynthConditions& conditions);
  void Retarget(const SynthConditions& conditions);
  void Step(const SynthConditions& conditions);
  void Evaluate(const SynthConditions& conditions);
  void GiveUp(const SynthConditions& conditions);

  Plant PlantOf(const SynthConditions& conditions) const;
  double FieldAt(double dac, Amplifier amplifier) const;
  double ProbeAt(double dac, Amplifier amplifier) const;
  uint8_t StatusByte(const SynthConditions& conditions) const;

  FirmwareVersion version_;
  CellCalibration cell_;
  EutProfile eut_;
  std::mt19937_64 noise_;
  uint64_t clock_ms_;
  ReplyQueue replies_;

  FrequencyBand band_ = FrequencyBand::kNone;
  double frequency_mhz_ = 0.0;
  bool range_high_ = false;
  uint16_t pll_n_ = 0;
  uint16_t pll_r_ = 0;

  LoopMode mode_ = LoopMode::kOff;
  uint8_t mode_byte_ = 0;
  uint8_t pulse_ = 0x80;
  double dac_ = 0.0;
  uint16_t set_point_ = 0;
  bool busy_ = false;
  bool reached_ = false;
  bool settled_ = true;
  bool gave_up_ = false;
  uint64_t full_scale_ms_ = 0;
  Plant plant_;
  double target_dac_ = 0.0;
  bool target_reachable_ = true;

  int resets_ = 0;
  bool start_up_seen_ = false;
  int cannot_reach_messages_ = 0;
  int malformed_ = 0;
  int ignored_ = 0;
};

}  // namespace tarvos::sim
