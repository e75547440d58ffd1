#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/adapter_frames.h"
#include "platform/adapter_library.h"
#include "platform/helper_process.h"

namespace tarvos::platform {

// An adapter library loaded by tarvos-adapters, a helper process of its own: a library of
// the other bitness, or one that crashes or hangs, costs a failed call and not the
// program. Once the helper has failed (it could not start, ended, or did not answer in
// time) every call fails as a lost adapter's does, and one warning says why; Restart
// starts it again (the next start-up, the engineer's enumeration).
// The helper program for an adapter library, or nullopt to load it in this process:
// the helper of the library's bitness when it is asked for (asked) or when the library
// is a Windows image of the other bitness than own_bits. Another bitness's helper is
// named for it ("tarvos-adapters32" beside a 64-bit program); when it is missing from
// helper_folder the library is loaded here, and its loader says why it cannot be.
// library_head: the library's first bytes (its PE header, where it has one).
std::optional<std::string> ChooseAdapterHelper(std::string_view library_head, bool asked,
                                               int own_bits, const std::string& helper_folder);
// The same for the library at the path, beside this program.
std::optional<std::string> AdapterHelperFor(const std::string& library, bool asked);

class ProcessAdapters final : public AdapterLibrary {
 public:
  struct Limits {
    uint32_t CallMs = 2000;       // the I2C and port calls
    uint32_t SlowCallMs = 10000;  // open, close, the serial number, the hello
  };
  // warn: shown once for each failure of the helper ("The adapter process has ended
  // (exit code N)." and the like).
  ProcessAdapters(std::string helper, std::string library, Limits limits,
                  std::function<void(const std::string&)> warn);
  ~ProcessAdapters() override;

  // Starts the helper (again) and takes its hello; false when it could not.
  bool Restart();
  // A helper that has failed is started again; a working one is kept with its handles.
  void Reconnect() override;
  // The bitness the helper said it has; 0 before a hello.
  int HelperBits() const { return helper_bits_; }
  bool Failed() const { return failed_; }
  // The helper's process (id on Linux, handle on Windows), for the engineer and tests.
  long long HelperId() const { return process_ ? process_->Id() : -1; }

  int32_t OpenDeviceInstance(std::string_view device_name, uint8_t instance) override;
  int32_t CloseDeviceInstance(int32_t handle) override;
  bool GetSerialId(int32_t handle, SerialBuffer& buffer) override;
  bool ConfigIoPorts(int32_t handle, uint32_t config) override;
  bool ReadIoPorts(int32_t handle, uint32_t& value) override;
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override;
  int32_t WriteI2c(int32_t handle, I2cTransfer& transfer) override;
  int32_t ReadI2c(int32_t handle, I2cTransfer& transfer) override;

 private:
  // The reply to the request, or nullopt once the helper has failed.
  std::optional<AdapterReply> Call(const AdapterRequest& request, uint32_t limit_ms);
  std::optional<AdapterReply> Await(AdapterCall call, uint32_t limit_ms);
  // WriteI2c and ReadI2c: the record goes both ways.
  int32_t Transfer(AdapterCall call, int32_t handle, I2cTransfer& transfer);
  void Fail(const std::string& why);

  std::string helper_;
  std::string library_;
  Limits limits_;
  std::function<void(const std::string&)> warn_;
  std::unique_ptr<HelperProcess> process_;
  FrameReader reader_;
  bool failed_ = false;
  int helper_bits_ = 0;
};

}  // namespace tarvos::platform
