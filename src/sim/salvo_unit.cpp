#include "sim/salvo_unit.h"

#include <algorithm>

#include "sim/command_packet.h"

namespace tarvos::sim {
namespace {

constexpr uint8_t kReplyVersion = 0xC0;
constexpr uint8_t kReplyState = 0xC1;

// The selection a unit on the wrong amplifier makes of the one it was sent.
uint8_t OtherSelection(uint8_t selection) {
  return selection == kSelectAmplifier1 ? kSelectAmplifier2 : kSelectAmplifier1;
}

}  // namespace

void SalvoUnit::Receive(std::span<const uint8_t> packet, const SalvoFaults& faults) {
  const auto command = ParseCommandPacket(packet);
  if (!command) {
    ++malformed_;
    return;
  }
  const auto args = command->Args;
  const bool one_arg = args.size() == 1;
  if (command->Command == 0x30 && one_arg && args[0] == 0x00) {
    start_up_seen_ = true;
  } else if (command->Command == 0x20 && one_arg && args[0] == 0x00) {
    replies_.Push({0x06, kReplyVersion, 0, 0, 0, version_.Major, version_.Minor});
  } else if (command->Command == 0x21 && one_arg && args[0] == 0x00) {
    const uint8_t mode = AutoMode(faults) ? 0x01 : 0x00;
    replies_.Push({0x05, kReplyState, 0x01, 0x00, mode, selection_});
  } else if (command->Command == 0x40 && one_arg && args[0] >= kSelectNone &&
             args[0] <= kSelectAmplifier2) {
    Select(args[0], faults);
  } else {
    ++ignored_;
  }
}

void SalvoUnit::Select(uint8_t selection, const SalvoFaults& faults) {
  // In manual mode the front panel switches, and the command is ignored.
  if (!AutoMode(faults)) return;
  selection_ = faults.WrongAmplifier ? OtherSelection(selection) : selection;
}

void SalvoUnit::FillFrame(std::span<uint8_t> frame) {
  std::fill(frame.begin(), frame.end(), uint8_t{0});
  replies_.PackInto(frame);
}

Amplifier SalvoUnit::Connected() const {
  switch (selection_) {
    case kSelectAmplifier1:
      return Amplifier::kAmplifier1;
    case kSelectAmplifier2:
      return Amplifier::kAmplifier2;
    default:
      return Amplifier::kNone;
  }
}

SalvoState SalvoUnit::State(const SalvoFaults& faults) const {
  return {AutoMode(faults), selection_, start_up_seen_, malformed_, ignored_, replies_.Size()};
}

}  // namespace tarvos::sim
