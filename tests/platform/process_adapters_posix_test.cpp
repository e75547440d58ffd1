// Helpers that cannot serve, as only Linux can stage them: a helper that is missing, and
// shell scripts that send frames that do not fit or no hello at all. Each costs failed
// calls and one warning.
#include "platform/process_adapters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/precise_sleep.h"
#include "temp_path.h"

namespace tarvos::platform {
namespace {

constexpr std::string_view kDeviceName = "UsbI2cIo";

TEST(ProcessAdaptersTest, AMissingHelperIsOneWarning) {
  std::vector<std::string> warnings;
  ProcessAdapters adapters("/nowhere/tarvos-adapters", TARVOS_SIM_LIBRARY, {},
                           [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_LT(adapters.OpenDeviceInstance(kDeviceName, 0), 0);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "The adapter process has ended (exit code 127).");
}

// A stand-in helper: a shell script that sends a hello, then the frames given whatever it
// is asked, then waits.
class ScriptedHelper {
 public:
  explicit ScriptedHelper(const std::string& replies, bool hello = true) {
    folder_ = testing_support::MakeTempFolder("tarvos-helper-script") + "/";
    AdapterReply said;
    said.Call = AdapterCall::Hello;
    said.Version = kAdapterProtocolVersion;
    said.Bits = 64;
    std::ofstream(folder_ + "replies", std::ios::binary)
        << (hello ? EncodeReply(said) : std::string()) << replies;
    std::ofstream(folder_ + "helper.sh")
        << "cat '" << folder_ << "replies'\nexec sleep 30\n";
  }
  ~ScriptedHelper() { std::filesystem::remove_all(folder_); }
  // As the helper's "library": sh runs the script.
  std::string Script() const { return folder_ + "helper.sh"; }

 private:
  std::string folder_;
};

TEST(ProcessAdaptersTest, ARepliesThatDoNotFitTheirCallAreNeverTrusted) {
  AdapterReply wrong_call;  // a ReadI2c reply to a WriteI2c
  wrong_call.Call = AdapterCall::ReadI2c;
  wrong_call.Result = 16;
  AdapterReply overlong;    // a count past the record
  overlong.Call = AdapterCall::WriteI2c;
  overlong.Result = 66;
  overlong.Transfer.Count = 66;
  for (const std::string& replies :
       {EncodeReply(wrong_call), EncodeReply(overlong), std::string("\x01\x00\x00\x00\x09", 5)}) {  // a call there is none of
    ScriptedHelper script(replies);
    std::vector<std::string> warnings;
    ProcessAdapters adapters("/bin/sh", script.Script(), {.CallMs = 2000, .SlowCallMs = 2000},
                             [&](const std::string& text) { warnings.push_back(text); });
    ASSERT_EQ(adapters.HelperBits(), 64);
    I2cTransfer transfer{};
    transfer.Count = 4;
    transfer.Data[0] = 0x55;
    EXPECT_EQ(adapters.WriteI2c(1, transfer), 0);
    EXPECT_EQ(transfer.Count, 4);
    EXPECT_EQ(transfer.Data[0], 0x55);
    EXPECT_EQ(adapters.ReadI2c(1, transfer), 0);  // nor anything after it
    EXPECT_EQ(transfer.Count, 4);
    EXPECT_EQ(warnings, std::vector<std::string>{
                            "The adapter process sent a reply that does not fit its call."});
  }
}

TEST(ProcessAdaptersTest, AHelperWithoutAHelloIsOneWarningAndEveryCallFails) {
  // Silent: it costs the slow calls' limit, once.
  ScriptedHelper silent("", false);
  std::vector<std::string> warnings;
  const uint64_t began = MonotonicMs();
  ProcessAdapters adapters("/bin/sh", silent.Script(), {.CallMs = 100, .SlowCallMs = 250},
                           [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_GE(MonotonicMs() - began, 250u);
  EXPECT_EQ(adapters.HelperBits(), 0);
  EXPECT_LT(adapters.OpenDeviceInstance(kDeviceName, 0), 0);
  SerialBuffer serial{};
  EXPECT_FALSE(adapters.GetSerialId(1, serial));
  EXPECT_EQ(warnings,
            std::vector<std::string>{"The adapter process has ended (no answer in 0.25 s)."});

  // Ended at once.
  warnings.clear();
  ProcessAdapters ended("/bin/sh", "/dev/null", {},
                        [&](const std::string& text) { warnings.push_back(text); });
  EXPECT_LT(ended.OpenDeviceInstance(kDeviceName, 0), 0);
  EXPECT_EQ(warnings, std::vector<std::string>{"The adapter process has ended (exit code 0)."});
}

}  // namespace
}  // namespace tarvos::platform
