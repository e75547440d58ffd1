#include "sim/synthesiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "sim/cell_value.h"
#include "sim/command_packet.h"

namespace tarvos::sim {
namespace {

constexpr double kFullScale = 65535.0;
// Fraction of the remaining distance the DAC moves per 10 ms step: a time constant of
// about 120 ms, which settles within 0.5 % in well under a second and a half from zero.
constexpr double kApproach = 0.08;
// An unreachable set point drives beyond full scale, so that the DAC gets there.
constexpr double kOverdrive = 1.05;
// Closer than this to its target the loop stops moving.
constexpr double kSnapCounts = 0.5;
constexpr double kNoiseFraction = 0.001;
constexpr double kPllStepMhz = 0.256;
constexpr double kBand1OffsetMhz = 1300.0;

constexpr uint8_t kLevelClosedLoop = 0x82;
constexpr uint8_t kNoPulse = 0x80;

constexpr uint8_t kStatusEutFault = 0x01;
constexpr uint8_t kStatusAmplifierFault = 0x02;
constexpr uint8_t kStatusBusy = 0x10;
constexpr uint8_t kStatusReached = 0x20;
constexpr uint8_t kStatusLowRange = 0x40;
constexpr uint8_t kStatusHighRange = 0x80;

constexpr uint8_t kReplyVersion = 0xC0;
constexpr uint8_t kReplyMeasurement = 0xC1;
constexpr uint8_t kReplyStatus = 0xC3;
constexpr uint8_t kReplyRequestedStatus = 0xC4;
constexpr uint8_t kReplyCannotReach = 0xD0;
constexpr std::size_t kUnsolicitedStatusSize = 6;

constexpr uint32_t kRange0Line = 1U << 9;
constexpr uint32_t kRange1Line = 1U << 10;
constexpr uint32_t kAmLine = 1U << 11;

bool IsStatusReply(uint8_t type) {
  return type == kReplyStatus || type == kReplyRequestedStatus || type == kReplyCannotReach;
}

bool ArgsAre(std::span<const uint8_t> args, std::initializer_list<uint8_t> expected) {
  return std::equal(args.begin(), args.end(), expected.begin(), expected.end());
}

uint16_t Word(uint8_t high, uint8_t low) { return static_cast<uint16_t>((high << 8) | low); }
uint8_t High(uint16_t value) { return static_cast<uint8_t>(value >> 8); }
uint8_t Low(uint16_t value) { return static_cast<uint8_t>(value & 0xFF); }

double Tolerance(uint16_t set_point) {
  return std::max(Synthesiser::kToleranceFraction * set_point, 1.0);
}

// A uniform number in [0, 1) from the top 53 bits, the same on every platform.
double Uniform(std::mt19937_64& generator) {
  return static_cast<double>(generator() >> 11) * 0x1.0p-53;
}

}  // namespace

Synthesiser::Synthesiser(FirmwareVersion version, CellCalibration cell, EutProfile eut,
                         uint64_t seed, uint64_t now_ms)
    : version_(version), cell_(std::move(cell)), eut_(std::move(eut)), clock_ms_(now_ms) {
  std::seed_seq sequence{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32)};
  noise_.seed(sequence);
}

void Synthesiser::SetEutProfile(EutProfile profile) { eut_ = std::move(profile); }

void Synthesiser::AdvanceTo(uint64_t now_ms, const SynthConditions& conditions) {
  FollowPlant(conditions);
  if (now_ms <= clock_ms_) return;
  const bool moving = mode_ == LoopMode::kClosedLoop && !settled_ && !gave_up_;
  if (!moving) {
    clock_ms_ = now_ms;
    return;
  }
  // At most a second or two of steps per level command: after that the loop has either
  // settled or given up, and the clock jumps to the time.
  while (now_ms - clock_ms_ >= kStepMs) {
    clock_ms_ += kStepMs;
    Step(conditions);
    if (settled_ || gave_up_) {
      clock_ms_ = now_ms;
      return;
    }
  }
}

void Synthesiser::Receive(std::span<const uint8_t> packet, const SynthConditions& conditions) {
  const auto command = ParseCommandPacket(packet);
  if (!command) {
    ++malformed_;
  } else if (!Execute(*command, conditions)) {
    ++ignored_;
  }
}

bool Synthesiser::Execute(const CommandPacket& command, const SynthConditions& conditions) {
  const auto args = command.Args;
  switch (command.Command) {
    case 0x31:
      if (!ArgsAre(args, {0x00})) return false;
      Reset();
      return true;
    case 0x20:
      if (!ArgsAre(args, {0x00})) return false;
      replies_.Push({0x06, kReplyVersion, 0, 0, 0, version_.Major, version_.Minor});
      return true;
    case 0x3E:
      if (!ArgsAre(args, {0xA5})) return false;
      start_up_seen_ = true;
      return true;
    case 0x22:
      if (!ArgsAre(args, {0x00})) return false;
      replies_.Push({0x02, kReplyRequestedStatus, StatusByte(conditions)});
      return true;
    case 0x21:
      if (!ArgsAre(args, {0x00}) && !ArgsAre(args, {0x01})) return false;
      QueueMeasurement(conditions);
      return true;
    case 0x40:
      if (args.size() != 5) return false;
      SetFrequency(args, conditions.OutputImage);
      FollowPlant(conditions);
      return true;
    case 0x41:
      return args.size() == 9 && SetLevel(args, conditions);
    case 0x30:
      if (args.size() != 4) return false;
      pll_n_ = Word(args[0], args[1]);
      pll_r_ = Word(args[2], args[3]);
      return true;
    default:
      return false;
  }
}

void Synthesiser::FillFrame(std::span<uint8_t> frame, const SynthConditions& conditions) {
  std::fill(frame.begin(), frame.end(), uint8_t{0});
  const PackedFrame packed = replies_.PackInto(frame);
  const bool has_status = std::any_of(packed.Types.begin(), packed.Types.end(), IsStatusReply);
  if (has_status || frame.size() - packed.Used < kUnsolicitedStatusSize) return;
  const std::array<uint8_t, kUnsolicitedStatusSize> status = {0x05, kReplyStatus,          0, 0,
                                                              0,    StatusByte(conditions)};
  std::copy(status.begin(), status.end(), frame.subspan(packed.Used).begin());
}

SynthState Synthesiser::State(const SynthConditions& conditions) const {
  SynthState state;
  state.FrequencyMhz = frequency_mhz_;
  state.Band = band_;
  state.RangeHigh = range_high_;
  state.ModeByte = mode_byte_;
  state.Mode = mode_;
  state.Pulse = pulse_;
  state.Dac = static_cast<uint16_t>(std::lround(dac_));
  state.SetPoint = set_point_;
  state.FieldVm = FieldAt(dac_, conditions.Connected);
  state.Probe = ProbeAt(dac_, conditions.Connected);
  state.Busy = busy_;
  state.Reached = reached_;
  state.CannotReach = gave_up_;
  state.AmOn = (conditions.OutputImage & kAmLine) != 0;
  state.OutputImage = conditions.OutputImage;
  state.Status = StatusByte(conditions);
  state.Connected = conditions.Connected;
  state.Resets = resets_;
  state.StartUpSeen = start_up_seen_;
  state.PllN = pll_n_;
  state.PllR = pll_r_;
  state.CannotReachMessages = cannot_reach_messages_;
  state.MalformedPackets = malformed_;
  state.IgnoredPackets = ignored_;
  state.QueuedReplies = replies_.Size();
  return state;
}

void Synthesiser::Reset() {
  replies_.Clear();
  mode_ = LoopMode::kOff;
  mode_byte_ = 0;
  pulse_ = kNoPulse;
  dac_ = 0.0;
  set_point_ = 0;
  busy_ = false;
  reached_ = false;
  settled_ = true;
  gave_up_ = false;
  full_scale_ms_ = 0;
  ++resets_;
}

void Synthesiser::SetFrequency(std::span<const uint8_t> args, uint32_t output_image) {
  const double counted_mhz = Word(args[0], args[1]) * kPllStepMhz;
  const bool range0 = (output_image & kRange0Line) != 0;
  const bool range1 = (output_image & kRange1Line) != 0;
  double f = counted_mhz;
  if (!range0 && range1) {
    band_ = FrequencyBand::kBand1;
    f -= kBand1OffsetMhz;
  } else if (range0 && range1) {
    band_ = FrequencyBand::kBand2;
  } else if (range0) {
    band_ = FrequencyBand::kBand3;
  } else {
    band_ = FrequencyBand::kNone;
  }
  if (f <= 0.0) band_ = FrequencyBand::kNone;
  frequency_mhz_ = band_ == FrequencyBand::kNone ? 0.0 : f;
  range_high_ = args[2] == 0xFF;
}

bool Synthesiser::SetLevel(std::span<const uint8_t> args, const SynthConditions& conditions) {
  const uint8_t mode = args[0];
  const uint16_t dac = Word(args[3], args[4]);
  const uint16_t set_point = Word(args[7], args[8]);
  if (mode == kLevelClosedLoop) {
    // The loop carries on from the DAC value it has: the DAC argument is not used.
    mode_ = LoopMode::kClosedLoop;
    pulse_ = kNoPulse;
    set_point_ = set_point;
    StartLoop(conditions);
  } else if ((mode & 0x01) != 0) {
    mode_ = LoopMode::kHold;
    pulse_ = static_cast<uint8_t>(mode & 0xF0);
    dac_ = dac;
    set_point_ = set_point;
    settled_ = true;
    gave_up_ = false;
    Evaluate(conditions);
  } else {
    return false;
  }
  mode_byte_ = mode;
  return true;
}

void Synthesiser::QueueMeasurement(const SynthConditions& conditions) {
  const double uniform = Uniform(noise_);
  const double noisy =
      ProbeAt(dac_, conditions.Connected) * (1.0 + kNoiseFraction * (2.0 * uniform - 1.0));
  const auto probe = static_cast<uint16_t>(std::clamp(std::nearbyint(noisy), 0.0, kFullScale));
  const auto dac = static_cast<uint16_t>(std::lround(dac_));
  replies_.Push(
      {0x0A, kReplyMeasurement, 0, 0, 0, High(dac), Low(dac), 0, 0, High(probe), Low(probe)});
}

void Synthesiser::StartLoop(const SynthConditions& conditions) {
  gave_up_ = false;
  full_scale_ms_ = 0;
  settled_ = false;
  plant_ = PlantOf(conditions);
  if (set_point_ == 0) {
    // Set point 0 is RF off: nothing to level, and nothing for the program to wait for.
    dac_ = 0.0;
    settled_ = true;
  } else {
    Retarget(conditions);
  }
  Evaluate(conditions);
}

// A loop that is levelling or holding its set point follows changes of frequency,
// amplifier or fault at once; one that gave up waits for the next level command.
void Synthesiser::FollowPlant(const SynthConditions& conditions) {
  if (mode_ != LoopMode::kClosedLoop || gave_up_ || set_point_ == 0) return;
  if (PlantOf(conditions) == plant_) return;
  Retarget(conditions);
  settled_ = false;
  full_scale_ms_ = 0;
  Evaluate(conditions);
}

void Synthesiser::Retarget(const SynthConditions& conditions) {
  plant_ = PlantOf(conditions);
  const Amplifier amplifier = conditions.Connected;
  const double set_point = set_point_;
  const double at_full_scale = ProbeAt(kFullScale, amplifier);
  target_reachable_ =
      !conditions.UnreachableSetPoint && at_full_scale >= set_point - Tolerance(set_point_);
  if (!target_reachable_ || at_full_scale <= set_point) {
    target_dac_ = kFullScale;
    return;
  }
  if (ProbeAt(0.0, amplifier) >= set_point) {
    target_dac_ = 0.0;
    return;
  }
  // The probe reading rises with the DAC, so halving the interval finds the drive.
  double low = 0.0;
  double high = kFullScale;
  for (int i = 0; i < 40; ++i) {
    const double middle = (low + high) / 2.0;
    if (ProbeAt(middle, amplifier) < set_point) {
      low = middle;
    } else {
      high = middle;
    }
  }
  target_dac_ = high;
}

void Synthesiser::Step(const SynthConditions& conditions) {
  const double aim = target_reachable_ ? target_dac_ : kFullScale * kOverdrive;
  dac_ = std::clamp(dac_ + (aim - dac_) * kApproach, 0.0, kFullScale);
  if (target_reachable_ && std::abs(dac_ - target_dac_) < kSnapCounts) {
    dac_ = target_dac_;
    settled_ = true;
  }
  Evaluate(conditions);
  if (target_reachable_) return;
  if (dac_ >= kFullScale && !reached_) {
    full_scale_ms_ += kStepMs;
    if (full_scale_ms_ >= kGiveUpMs) GiveUp(conditions);
  } else {
    full_scale_ms_ = 0;
  }
}

void Synthesiser::Evaluate(const SynthConditions& conditions) {
  bool busy = false;
  bool reached = false;
  if (mode_ == LoopMode::kHold) {
    reached = true;
  } else if (mode_ == LoopMode::kClosedLoop && !gave_up_) {
    if (set_point_ == 0) {
      reached = true;
    } else if (!conditions.UnreachableSetPoint) {
      const double probe = ProbeAt(dac_, conditions.Connected);
      // At DAC 0 with the probe still above the set point the loop can go no lower.
      reached = std::abs(probe - set_point_) <= Tolerance(set_point_) ||
                (dac_ <= 0.0 && probe > set_point_);
      busy = !reached;
    } else {
      busy = true;
    }
  }
  busy_ = busy;
  reached_ = reached;
}

void Synthesiser::GiveUp(const SynthConditions& conditions) {
  gave_up_ = true;
  busy_ = false;
  reached_ = false;
  ++cannot_reach_messages_;
  replies_.Push({0x02, kReplyCannotReach, StatusByte(conditions)});
}

Synthesiser::Plant Synthesiser::PlantOf(const SynthConditions& conditions) const {
  return {band_, frequency_mhz_, conditions.Connected, set_point_, conditions.UnreachableSetPoint};
}

double Synthesiser::FieldAt(double dac, Amplifier amplifier) const {
  if (band_ == FrequencyBand::kNone) return 0.0;
  return FieldStrength(amplifier, frequency_mhz_, dac / kFullScale);
}

double Synthesiser::ProbeAt(double dac, Amplifier amplifier) const {
  const double counts = ProbeCounts(cell_, frequency_mhz_ * 1e6, FieldAt(dac, amplifier));
  return std::clamp(counts, 0.0, kFullScale);
}

uint8_t Synthesiser::StatusByte(const SynthConditions& conditions) const {
  uint8_t status = 0;
  if (band_ != FrequencyBand::kNone &&
      EutFails(eut_, frequency_mhz_, FieldAt(dac_, conditions.Connected))) {
    status |= kStatusEutFault;
  }
  if (conditions.AmplifierFault) status |= kStatusAmplifierFault;
  if (busy_) status |= kStatusBusy;
  if (reached_) status |= kStatusReached;
  const bool high = range_high_ != conditions.RangeMismatch;
  status |= high ? kStatusHighRange : kStatusLowRange;
  return status;
}

}  // namespace tarvos::sim
