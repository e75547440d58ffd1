#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/adapter_link.h"
#include "link/fault.h"
#include "link/i2c_command.h"
#include "link/link_events.h"
#include "link/reply_message.h"
#include "platform/adapter_library.h"
#include "platform/event_loop.h"
#include "platform/operator.h"
#include "screen/screen.h"

namespace tarvos::link {

// Serial numbers are read this far at start-up, and this far by the engineer's search.
inline constexpr std::size_t kStartUpSerialChars = 21;
inline constexpr std::size_t kEnumerationSerialChars = 128;
// The commands the diagnostics list keeps.
inline constexpr std::size_t kDiagnosticsLines = 1000;

// Everything between the program and the adapter library: command writes, reply
// reads and their division into messages, the output lines, fault reports and waits.
// It knows nothing of what commands mean; replies go to the ReplyHandler.
//
// A handle of 0 is no device: nothing is written to it or read from it, and that is
// not a fault.
// What a run's log says of the third synthesiser fault, which shows no message.
inline constexpr std::string_view kSynthMarkedAbsent = "synthesiser marked absent";

class AdapterAccess {
 public:
  AdapterAccess(AdapterLink& link, platform::AdapterLibrary& library, platform::EventLoop& loop,
                platform::Operator& op, screen::Screen& screen, LinkEvents& events);
  AdapterAccess(const AdapterAccess&) = delete;
  AdapterAccess& operator=(const AdapterAccess&) = delete;

  // Who receives reply messages; nullptr drops them. The handler must outlive its
  // registration.
  void SetReplyHandler(ReplyHandler* handler) { handler_ = handler; }
  ReplyHandler* Handler() const { return handler_; }

  // Writes one I2cCommand to the synthesiser, logs it in the diagnostics window and
  // waits 2 ticks. Returns whether all of it was written. A text that does not convert
  // is refused: nothing is sent or logged, and LastError() says why.
  bool SendSynth(std::string_view text);
  // The same for the Salvo unit, without log or wait.
  bool SendSalvo(std::string_view text);
  // Why the last refused text was refused; empty after a text that converted.
  const std::string& LastError() const { return last_error_; }

  // Read one 16-byte frame (after a 1-tick wait) and hand its messages on. Short or
  // failed reads are dropped silently; while reads are suppressed nothing happens.
  void ReadSynthReplies();
  void ReadSalvoReplies();

  // Change one synthesiser output line (0..19) and write the whole image. Returns
  // whether the port was written; a line outside 0..19 changes nothing.
  bool SetOutputBit(int line) { return ChangeOutputLine(line, true); }
  bool ClearOutputBit(int line) { return ChangeOutputLine(line, false); }

  void ReportFault(FaultCode code, Unit unit);
  // Told every fault's message as it is reported, and "synthesiser marked absent" for the
  // third synthesiser fault, which shows none.
  void OnFault(std::function<void(const std::string&)> listener) {
    fault_listener_ = std::move(listener);
  }

  bool TickWait(int64_t ticks, bool pump);

  // Forgets the last synthesiser frame (a run starts with an empty store).
  void EmptySynthStore() { link_.SynthStore = ReceiveStore{}; }

  // Reads a serial number, at most max_chars characters and never past the buffer when
  // the library leaves out the terminator. nullopt when the call fails or the handle
  // is 0.
  std::optional<std::string> ReadSerialNumber(int32_t handle, std::size_t max_chars);

  AdapterLink& Link() { return link_; }
  platform::AdapterLibrary& Library() { return library_; }
  platform::EventLoop& Loop() { return loop_; }
  platform::Operator& Operator() { return operator_; }
  screen::Screen& Screen() { return screen_; }
  LinkEvents& Events() { return events_; }

 private:
  using Frame = std::array<uint8_t, kReplyFrameBytes>;

  bool Write(Unit unit, const I2cPacket& packet);
  std::optional<Frame> ReadFrame(Unit unit);
  int32_t HandleOf(Unit unit) const;
  bool ChangeOutputLine(int line, bool on);

  AdapterLink& link_;
  platform::AdapterLibrary& library_;
  platform::EventLoop& loop_;
  platform::Operator& operator_;
  screen::Screen& screen_;
  LinkEvents& events_;
  std::function<void(const std::string&)> fault_listener_;
  ReplyHandler* handler_ = nullptr;
  std::string last_error_;
};

}  // namespace tarvos::link
