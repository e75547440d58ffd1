#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/bench.h"
#include "sim/fault_plan.h"
#include "sim/field_model.h"
#include "sim/reply_queue.h"

namespace tarvos::sim {

// Salvo selections, as sent and reported.
inline constexpr uint8_t kSelectNone = 1;
inline constexpr uint8_t kSelectAmplifier1 = 2;
inline constexpr uint8_t kSelectAmplifier2 = 3;

struct SalvoState {
  bool Auto = true;                 // as reported: manual when the fault plan says so
  uint8_t Selection = kSelectNone;  // in force: 1 none, 2 amplifier 1, 3 amplifier 2
  bool StartUpSeen = false;
  int MalformedPackets = 0;
  int IgnoredPackets = 0;
  std::size_t QueuedReplies = 0;
};

// The amplifier switching unit. It answers only what is asked; no unsolicited replies.
class SalvoUnit {
 public:
  SalvoUnit(FirmwareVersion version, bool starts_auto) : version_(version), auto_(starts_auto) {}

  void Receive(std::span<const uint8_t> packet, const SalvoFaults& faults);
  void FillFrame(std::span<uint8_t> frame);

  Amplifier Connected() const;
  SalvoState State(const SalvoFaults& faults) const;

 private:
  bool AutoMode(const SalvoFaults& faults) const { return auto_ && !faults.ManualMode; }
  void Select(uint8_t selection, const SalvoFaults& faults);

  FirmwareVersion version_;
  bool auto_;
  uint8_t selection_ = kSelectNone;
  bool start_up_seen_ = false;
  int malformed_ = 0;
  int ignored_ = 0;
  ReplyQueue replies_;
};

}  // namespace tarvos::sim
