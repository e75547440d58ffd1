#include "platform/process_adapters.h"

#include <utility>

#include "platform/operator_texts.h"
#include "platform/precise_sleep.h"
#include "platform/shared_library_adapters.h"
#include "platform/system_paths.h"
#include "platform/text_file.h"

namespace tarvos::platform {

namespace {

// A time limit as the warning gives it: "2", "10", or "0.3" for a limit a test set short.
std::string SecondsText(uint32_t ms) {
  std::string text = std::to_string(ms / 1000);
  uint32_t rest = ms % 1000;
  if (rest == 0) return text;
  text += '.';
  for (uint32_t unit = 100; rest != 0; unit /= 10) {
    text += static_cast<char>('0' + rest / unit);
    rest %= unit;
  }
  return text;
}

}  // namespace

std::optional<std::string> ChooseAdapterHelper(std::string_view library_head, bool asked,
                                               int own_bits, const std::string& helper_folder) {
  const std::string own_helper = helper_folder + ProgramFileName("tarvos-adapters");
  const std::optional<int> bits = PeImageBits(library_head);
  if (!bits || *bits == own_bits) {
    if (asked) return own_helper;
    return std::nullopt;
  }
  const std::string other_helper =
      helper_folder + ProgramFileName("tarvos-adapters" + std::to_string(*bits));
  if (FileExists(other_helper)) return other_helper;
  return std::nullopt;
}

std::optional<std::string> AdapterHelperFor(const std::string& library, bool asked) {
  // The PE header lies within the first kilobytes; a file that cannot be read is left to
  // the loader, which names what is wrong with it.
  std::string head;
  try {
    head = ReadFileBytes(library).substr(0, 4096);
  } catch (const FileError&) {
  }
  return ChooseAdapterHelper(head, asked, static_cast<int>(sizeof(void*) * 8),
                             ExecutableFolder());
}

ProcessAdapters::ProcessAdapters(std::string helper, std::string library, Limits limits,
                                 std::function<void(const std::string&)> warn)
    : helper_(std::move(helper)),
      library_(std::move(library)),
      limits_(limits),
      warn_(std::move(warn)) {
  Restart();
}

ProcessAdapters::~ProcessAdapters() = default;

bool ProcessAdapters::Restart() {
  process_ = std::make_unique<HelperProcess>();
  reader_ = FrameReader{};
  failed_ = false;
  helper_bits_ = 0;
  if (!process_->Start(helper_, {library_})) {
    Fail(FillText(kAdapterProcessNotStartedText, {helper_}));
    return false;
  }
  const auto hello = Await(AdapterCall::Hello, limits_.SlowCallMs);
  if (!hello) return false;
  if (hello->Version != kAdapterProtocolVersion) {
    Fail(FillText(kAdapterProcessVersionText, {std::to_string(hello->Version)}));
    return false;
  }
  helper_bits_ = hello->Bits;
  return true;
}

void ProcessAdapters::Reconnect() {
  if (failed_) Restart();
}

void ProcessAdapters::Fail(const std::string& why) {
  if (failed_) return;
  failed_ = true;
  if (process_ && process_->Running()) process_->Kill();
  if (!warn_) return;
  warn_(why);
  if (process_ && process_->Stuck()) warn_(std::string(kAdapterProcessStuckText));
}

std::optional<AdapterReply> ProcessAdapters::Await(AdapterCall call, uint32_t limit_ms) {
  const uint64_t deadline = MonotonicMs() + limit_ms;
  for (;;) {
    if (const auto body = reader_.Next()) {
      // A helper that cannot serve says why before it ends.
      if (auto refusal = DecodeRefusal(*body)) {
        Fail(*refusal);
        return std::nullopt;
      }
      auto reply = DecodeReply(*body, call);
      // A frame that is not the answer expected cannot be trusted, nor anything after it.
      if (!reply) Fail(std::string(kAdapterProcessBadReplyText));
      return reply;
    }
    if (reader_.Broken()) {
      Fail(std::string(kAdapterProcessBadReplyText));
      return std::nullopt;
    }
    if (const auto bytes = process_->Read(deadline)) {
      reader_.Append(*bytes);
      continue;
    }
    // Time up with its output open: a hang, unless it has ended just now.
    if (!process_->OutputClosed() && !process_->Ended()) {
      Fail(FillText(kAdapterProcessNoAnswerText, {SecondsText(limit_ms)}));
      return std::nullopt;
    }
    // Its output closed: it has ended, or is about to.
    const uint64_t reap_until = MonotonicMs() + 1000;
    std::optional<std::string> how = process_->Ended();
    PreciseSleeper sleeper;
    while (!how && MonotonicMs() < reap_until) {
      sleeper.SleepUntil(MonotonicMs() + 2);
      how = process_->Ended();
    }
    Fail(how.value_or(FillText(kAdapterProcessExitedText, {"unknown"})));
    return std::nullopt;
  }
}

std::optional<AdapterReply> ProcessAdapters::Call(const AdapterRequest& request,
                                                  uint32_t limit_ms) {
  if (failed_ || !process_) return std::nullopt;
  if (!process_->Write(EncodeRequest(request), MonotonicMs() + limit_ms)) {
    std::optional<std::string> how = process_->Ended();
    Fail(how.value_or(FillText(kAdapterProcessNoAnswerText, {SecondsText(limit_ms)})));
    return std::nullopt;
  }
  return Await(request.Call, limit_ms);
}

namespace {

AdapterRequest RequestFor(AdapterCall call, int32_t handle) {
  AdapterRequest request;
  request.Call = call;
  request.Handle = handle;
  return request;
}

}  // namespace

int32_t ProcessAdapters::OpenDeviceInstance(std::string_view device_name, uint8_t instance) {
  AdapterRequest request = RequestFor(AdapterCall::OpenDeviceInstance, 0);
  request.DeviceName = std::string(device_name);
  request.Instance = instance;
  const auto reply = Call(request, limits_.SlowCallMs);
  return reply ? reply->Result : -1;
}

int32_t ProcessAdapters::CloseDeviceInstance(int32_t handle) {
  const auto reply = Call(RequestFor(AdapterCall::CloseDeviceInstance, handle), limits_.SlowCallMs);
  return reply ? reply->Result : 0;
}

bool ProcessAdapters::GetSerialId(int32_t handle, SerialBuffer& buffer) {
  buffer.fill('\0');
  const auto reply = Call(RequestFor(AdapterCall::GetSerialId, handle), limits_.SlowCallMs);
  if (!reply) return false;
  buffer = reply->Serial;
  return reply->Result != 0;
}

bool ProcessAdapters::ConfigIoPorts(int32_t handle, uint32_t config) {
  AdapterRequest request = RequestFor(AdapterCall::ConfigIoPorts, handle);
  request.Value = config;
  const auto reply = Call(request, limits_.CallMs);
  return reply && reply->Result != 0;
}

bool ProcessAdapters::ReadIoPorts(int32_t handle, uint32_t& value) {
  const auto reply = Call(RequestFor(AdapterCall::ReadIoPorts, handle), limits_.CallMs);
  if (!reply || reply->Result == 0) return false;
  value = reply->Value;
  return true;
}

bool ProcessAdapters::WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) {
  AdapterRequest request = RequestFor(AdapterCall::WriteIoPorts, handle);
  request.Value = value;
  request.Mask = mask;
  const auto reply = Call(request, limits_.CallMs);
  return reply && reply->Result != 0;
}

int32_t ProcessAdapters::Transfer(AdapterCall call, int32_t handle, I2cTransfer& transfer) {
  AdapterRequest request = RequestFor(call, handle);
  request.Transfer = transfer;
  const auto reply = Call(request, limits_.CallMs);
  if (!reply) return 0;
  transfer = reply->Transfer;
  return reply->Result;
}

int32_t ProcessAdapters::WriteI2c(int32_t handle, I2cTransfer& transfer) {
  return Transfer(AdapterCall::WriteI2c, handle, transfer);
}

int32_t ProcessAdapters::ReadI2c(int32_t handle, I2cTransfer& transfer) {
  return Transfer(AdapterCall::ReadI2c, handle, transfer);
}

}  // namespace tarvos::platform
