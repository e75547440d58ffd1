#include "link/adapter_access.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "link/tick_timer.h"

namespace tarvos::link {
namespace {

constexpr uint32_t kAllLinesMask = 0xFFFFFFFF;

bool IsSynthMessage(uint8_t type) {
  return type == kVersionMessage || type == kMeasurementMessage || type == kStatusMessage ||
         type == kStatusChangeMessage || type == kCannotReachMessage;
}

bool IsSalvoMessage(uint8_t type) { return type == kVersionMessage || type == kMeasurementMessage; }

// The Salvo's status-change type marks a message start too, though nothing is done with
// such a message.
bool StartsSalvoMessage(uint8_t type) {
  return IsSalvoMessage(type) || type == kStatusChangeMessage;
}

}  // namespace

AdapterAccess::AdapterAccess(AdapterLink& link, platform::AdapterLibrary& library,
                             platform::EventLoop& loop, platform::Operator& op,
                             screen::Screen& screen, LinkEvents& events)
    : link_(link),
      library_(library),
      loop_(loop),
      operator_(op),
      screen_(screen),
      events_(events) {}

int32_t AdapterAccess::HandleOf(Unit unit) const {
  return unit == Unit::Synthesiser ? link_.SynthHandle : link_.SalvoHandle;
}

bool AdapterAccess::Write(Unit unit, const I2cPacket& packet) {
  auto transfer = MakeWriteTransfer(packet);
  const int32_t written = library_.WriteI2c(HandleOf(unit), transfer);
  if (written < 0 || static_cast<std::size_t>(written) != packet.Count) {
    ReportFault(FaultCode::I2cWriteError, unit);
    return false;
  }
  return true;
}

bool AdapterAccess::SendSynth(std::string_view text) {
  auto parsed = ParseI2cCommand(text);
  if (!parsed.Packet) {
    last_error_ = std::move(parsed.Error);
    return false;
  }
  last_error_.clear();
  if (link_.SynthHandle == 0) return false;
  auto& messages = screen_.diagnostics.messages;
  messages.emplace_front(text);
  // A day-long run sends hundreds of thousands of commands: the list keeps the newest.
  if (messages.size() > kDiagnosticsLines) messages.pop_back();
  screen_.diagnostics.tx_string = std::string(text);
  const bool written = Write(Unit::Synthesiser, *parsed.Packet);
  // The synthesiser needs the pause to take in a command before the next one.
  TickWait(2, true);
  return written;
}

bool AdapterAccess::SendSalvo(std::string_view text) {
  auto parsed = ParseI2cCommand(text);
  if (!parsed.Packet) {
    last_error_ = std::move(parsed.Error);
    return false;
  }
  last_error_.clear();
  if (link_.SalvoHandle == 0) return false;
  return Write(Unit::Salvo, *parsed.Packet);
}

std::optional<AdapterAccess::Frame> AdapterAccess::ReadFrame(Unit unit) {
  if (HandleOf(unit) == 0) return std::nullopt;
  auto transfer = MakeReadTransfer(kReplyFrameBytes);
  TickWait(1, true);
  // The wait pumps: whatever ran inside it may have closed the device.
  const int32_t handle = HandleOf(unit);
  if (handle == 0) return std::nullopt;
  if (library_.ReadI2c(handle, transfer) != static_cast<int32_t>(kReplyFrameBytes)) {
    return std::nullopt;
  }
  Frame frame;
  std::copy_n(transfer.Data, kReplyFrameBytes, frame.begin());
  return frame;
}

void AdapterAccess::ReadSynthReplies() {
  if (link_.ReadsSuppressed) return;
  const auto frame = ReadFrame(Unit::Synthesiser);
  if (!frame) return;

  ReceiveStore& store = link_.SynthStore;
  std::copy(frame->begin(), frame->end(), store.Bytes.begin());
  store.WritePos = kReplyFrameBytes;
  store.ScanPos = kReplyFrameBytes;

  // Handlers may wait and so read again; they work on this read's own copy.
  const std::span<const uint8_t> bytes(*frame);
  for (std::size_t pos = 0; pos < bytes.size();) {
    const ReplyMessage message(bytes.subspan(pos));
    if (handler_ && IsSynthMessage(message.Type())) handler_->SynthMessage(message);
    pos += std::size_t{message.Length()} + 1;
  }
}

void AdapterAccess::ReadSalvoReplies() {
  if (link_.ReadsSuppressed) return;
  const auto frame = ReadFrame(Unit::Salvo);
  if (!frame) return;

  ReceiveStore& store = link_.SalvoStore;
  const std::size_t write_pos = std::min<std::size_t>(store.WritePos, ReceiveStore::kSize);
  if (ReceiveStore::kSize - write_pos < kReplyFrameBytes) {
    store.WritePos = 0;
    store.ScanPos = 0;
  }
  std::copy(frame->begin(), frame->end(), store.Bytes.begin() + store.WritePos);
  store.WritePos = static_cast<uint16_t>(store.WritePos + kReplyFrameBytes);

  // A message starts where its type byte follows, so the last byte received cannot
  // start one yet; the scan stops at the end of the received data either way.
  const std::size_t end = store.WritePos;
  std::size_t start = std::min<std::size_t>(store.ScanPos, end);
  while (start + 1 < end && !StartsSalvoMessage(store.Bytes[start + 1])) ++start;
  store.ScanPos = store.WritePos;

  // Handlers may show dialogs, which pump and may read again: each byte is examined
  // once, by the read that received it, on this read's own copy.
  const std::vector<uint8_t> data(store.Bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                  store.Bytes.begin() + static_cast<std::ptrdiff_t>(end));
  const std::span<const uint8_t> bytes(data);
  for (std::size_t pos = 0; pos + 1 < bytes.size(); ++pos) {
    if (handler_ && IsSalvoMessage(bytes[pos + 1])) {
      handler_->SalvoMessage(ReplyMessage(bytes.subspan(pos)));
    }
  }
}

bool AdapterAccess::ChangeOutputLine(int line, bool on) {
  if (line < 0 || line >= kOutputLineCount) return false;
  const uint32_t bit = uint32_t{1} << line;
  link_.OutputImage = on ? (link_.OutputImage | bit) : (link_.OutputImage & ~bit);
  if (link_.SynthHandle == 0) return false;
  if (!library_.WriteIoPorts(link_.SynthHandle, link_.OutputImage, kAllLinesMask)) {
    ReportFault(FaultCode::WriteError, Unit::Synthesiser);
    return false;
  }
  link_.OutputLineState[static_cast<std::size_t>(line)] = on;
  return true;
}

void AdapterAccess::ReportFault(FaultCode code, Unit unit) {
  const screen::MessageEntry& entry = FaultEntry(code, unit);
  std::string text;
  bool show = true;
  if (unit == Unit::Synthesiser) {
    screen_.lamps.hardware = screen::LampColour::Red;
    if (link_.FaultCount < 3) {
      text = screen::Fill(entry, {std::to_string(link_.FaultCount)});
    } else {
      show = false;
      link_.SynthPresent = false;
    }
    // Saturates: a count that wrapped would start showing dialogs again.
    if (link_.FaultCount < 255) ++link_.FaultCount;
  } else {
    text = screen::Fill(entry);
    link_.LastAmplifierSelection = kNoSelection;
  }
  // All state is settled before the box opens: timers run behind a modal box, and a
  // level command sent from one must already carry the latched set point of 0.
  link_.FaultLatched = true;
  events_.ControlsChanged();
  if (fault_listener_) fault_listener_(show ? text : std::string(kSynthMarkedAbsent));
  if (show) operator_.Show(entry.Kind, text);
}

bool AdapterAccess::TickWait(int64_t ticks, bool pump) {
  return link::TickWait(loop_, ticks, pump);
}

std::optional<std::string> AdapterAccess::ReadSerialNumber(int32_t handle, std::size_t max_chars) {
  if (handle == 0) return std::nullopt;
  platform::SerialBuffer buffer{};
  if (!library_.GetSerialId(handle, buffer)) return std::nullopt;
  const std::size_t limit = std::min(max_chars, buffer.size());
  const auto last =
      std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(limit), '\0');
  return std::string(buffer.begin(), last);
}

}  // namespace tarvos::link
