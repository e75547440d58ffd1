#include "platform/shared_library_adapters.h"

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fixtures/recording_adapters.h"

namespace tarvos::platform {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr const char* kRecordingPath = TARVOS_RECORDING_ADAPTERS;
constexpr const char* kWithoutReadPath = TARVOS_ADAPTERS_WITHOUT_READ;

std::string ErrorOfLoading(const std::string& path) {
  try {
    auto adapters = SharedLibraryAdapters::Load(path);
  } catch (const AdapterLibraryError& error) {
    return error.what();
  }
  return "(loaded)";
}

bool StillLoaded(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return false;
  dlclose(library);
  return true;
}

std::array<uint8_t, sizeof(I2cTransfer)> BytesOf(const I2cTransfer& transfer) {
  std::array<uint8_t, sizeof(I2cTransfer)> bytes{};
  std::memcpy(bytes.data(), &transfer, bytes.size());
  return bytes;
}

// Reaches the recording library that the loader under test has loaded: a second dlopen
// of the same file gives the same copy, with the same script and record.
class RecordingAdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    adapters_ = SharedLibraryAdapters::Load(kRecordingPath);
    control_ = dlopen(kRecordingPath, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(control_, nullptr) << dlerror();
    Bind("Fixture_Reset", reset_);
    Bind("Fixture_CallCount", call_count_);
    Bind("Fixture_Call", call_);
    Bind("Fixture_SetResult", set_result_);
    Bind("Fixture_SetPortValue", set_port_value_);
    Bind("Fixture_SetSerial", set_serial_);
    Bind("Fixture_SetReadRecord", set_read_record_);
    if (HasFatalFailure()) return;
    reset_();
  }
  void TearDown() override {
    if (control_ != nullptr) dlclose(control_);
  }

  template <typename Function>
  void Bind(const char* name, Function& target) {
    target = reinterpret_cast<Function>(dlsym(control_, name));
    ASSERT_NE(target, nullptr) << name;
  }

  // The only call recorded since the last reset.
  FixtureCall OnlyCall() {
    EXPECT_EQ(call_count_(), 1);
    const FixtureCall* call = call_(0);
    return call != nullptr ? *call : FixtureCall{};
  }

  std::unique_ptr<SharedLibraryAdapters> adapters_;
  void* control_ = nullptr;
  decltype(&Fixture_Reset) reset_ = nullptr;
  decltype(&Fixture_CallCount) call_count_ = nullptr;
  decltype(&Fixture_Call) call_ = nullptr;
  decltype(&Fixture_SetResult) set_result_ = nullptr;
  decltype(&Fixture_SetPortValue) set_port_value_ = nullptr;
  decltype(&Fixture_SetSerial) set_serial_ = nullptr;
  decltype(&Fixture_SetReadRecord) set_read_record_ = nullptr;
};

TEST_F(RecordingAdaptersTest, OpenPassesATerminatedNameAndTheInstanceAndReturnsTheHandle) {
  set_result_(7);
  // The name is cut from a longer text: the library must see only the view's part.
  const std::string_view name = std::string_view("UsbI2cIoTrailing").substr(0, 8);
  EXPECT_EQ(adapters_->OpenDeviceInstance(name, 200), 7);
  const FixtureCall call = OnlyCall();
  EXPECT_STREQ(call.Function, "DAPI_OpenDeviceInstance");
  EXPECT_STREQ(call.DeviceName, "UsbI2cIo");
  EXPECT_EQ(call.Instance, 200);

  set_result_(-1);
  EXPECT_EQ(adapters_->OpenDeviceInstance("UsbI2cIo", 5), -1);
}

TEST_F(RecordingAdaptersTest, CloseForwardsTheHandleAndItsResult) {
  set_result_(-3);
  EXPECT_EQ(adapters_->CloseDeviceInstance(42), -3);
  const FixtureCall call = OnlyCall();
  EXPECT_STREQ(call.Function, "DAPI_CloseDeviceInstance");
  EXPECT_EQ(call.Handle, 42);
}

TEST_F(RecordingAdaptersTest, PortCallsPassTheirArgumentsAndAnyNonZeroResultIsOk) {
  // 256 would read as 0 if the result were narrowed to a byte before the test.
  for (const auto& [result, ok] :
       std::vector<std::pair<int32_t, bool>>{{0, false}, {1, true}, {-1, true}, {256, true}}) {
    SCOPED_TRACE(result);
    reset_();
    set_result_(result);
    set_port_value_(0x000A5A04);
    uint32_t value = 0;
    EXPECT_EQ(adapters_->ConfigIoPorts(3, 0x000F00FC), ok);
    EXPECT_EQ(adapters_->ReadIoPorts(4, value), ok);
    EXPECT_EQ(adapters_->WriteIoPorts(5, 0x00001E01, 0xFFFFFFFF), ok);
    EXPECT_EQ(value, 0x000A5A04u);

    ASSERT_EQ(call_count_(), 3);
    EXPECT_STREQ(call_(0)->Function, "DAPI_ConfigIoPorts");
    EXPECT_EQ(call_(0)->Handle, 3);
    EXPECT_EQ(call_(0)->Config, 0x000F00FCu);
    EXPECT_STREQ(call_(1)->Function, "DAPI_ReadIoPorts");
    EXPECT_EQ(call_(1)->Handle, 4);
    EXPECT_STREQ(call_(2)->Function, "DAPI_WriteIoPorts");
    EXPECT_EQ(call_(2)->Handle, 5);
    EXPECT_EQ(call_(2)->Value, 0x00001E01u);
    EXPECT_EQ(call_(2)->Mask, 0xFFFFFFFFu);
  }
}

TEST_F(RecordingAdaptersTest, SerialIdGetsTheWholeBufferZeroed) {
  SerialBuffer buffer;
  buffer.fill('Z');
  set_serial_("SN-0042", 7);
  EXPECT_TRUE(adapters_->GetSerialId(9, buffer));
  const FixtureCall call = OnlyCall();
  EXPECT_STREQ(call.Function, "DAPI_GetSerialId");
  EXPECT_EQ(call.Handle, 9);
  EXPECT_TRUE(call.SerialBufferZeroed);
  EXPECT_EQ(std::string(buffer.data(), 7), "SN-0042");
  for (std::size_t i = 7; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '\0') << i;
}

TEST_F(RecordingAdaptersTest, SerialIdMayFillTheBufferUnterminatedOrFail) {
  const std::string full(kSerialBufferSize, 'A');
  set_serial_(full.data(), static_cast<int>(full.size()));
  SerialBuffer buffer{};
  EXPECT_TRUE(adapters_->GetSerialId(1, buffer));
  EXPECT_EQ(std::string(buffer.data(), buffer.size()), full);

  set_result_(0);
  EXPECT_FALSE(adapters_->GetSerialId(1, buffer));
}

TEST_F(RecordingAdaptersTest, WriteI2cPassesTheRecordByteForByte) {
  I2cTransfer transfer{};
  transfer.TransType = 0;
  transfer.SlaveAddress = 0x9A;
  transfer.MemoryAddress = 0x1234;
  transfer.Count = 4;
  std::memset(transfer.Data, 0x01, sizeof transfer.Data);
  const std::array<uint8_t, 4> packet = {0x03, 0x20, 0x00, 0x04};
  std::memcpy(transfer.Data, packet.data(), packet.size());
  set_result_(3);  // a short write reaches the caller as it is

  EXPECT_EQ(adapters_->WriteI2c(11, transfer), 3);
  const FixtureCall call = OnlyCall();
  EXPECT_STREQ(call.Function, "DAPI_WriteI2c");
  EXPECT_EQ(call.Handle, 11);
  const auto bytes = BytesOf(call.Transfer);
  EXPECT_EQ(bytes, BytesOf(transfer));
  // The packed little-endian layout the vendor library reads.
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 11);
  EXPECT_EQ(head, (std::vector<uint8_t>{0x00, 0x9A, 0x34, 0x12, 0x04, 0x00, 0x03, 0x20, 0x00, 0x04,
                                        0x01}));
  EXPECT_EQ(bytes[70], 0x01);
}

TEST_F(RecordingAdaptersTest, ReadI2cHandsBackEveryByteTheLibraryWrote) {
  I2cTransfer reply;
  std::array<uint8_t, sizeof(I2cTransfer)> pattern{};
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(0xB0 + i);
  std::memcpy(&reply, pattern.data(), pattern.size());
  set_read_record_(&reply);
  set_result_(15);

  I2cTransfer transfer{};
  transfer.SlaveAddress = 0x9A;
  transfer.Count = 16;
  EXPECT_EQ(adapters_->ReadI2c(12, transfer), 15);
  EXPECT_EQ(BytesOf(transfer), pattern);

  const FixtureCall call = OnlyCall();
  EXPECT_STREQ(call.Function, "DAPI_ReadI2c");
  EXPECT_EQ(call.Handle, 12);
  EXPECT_EQ(call.Transfer.SlaveAddress, 0x9A);
  EXPECT_EQ(call.Transfer.Count, 16);
  for (uint8_t byte : call.Transfer.Data) ASSERT_EQ(byte, 0);
}

TEST(SharedLibraryAdaptersLoad, ALibraryLackingACallIsRefusedByItsName) {
  EXPECT_EQ(ErrorOfLoading(kWithoutReadPath),
            std::string("Adapter library ") + kWithoutReadPath + " does not export DAPI_ReadI2c");
  // The refused library is not left loaded behind the error.
  EXPECT_FALSE(StillLoaded(kWithoutReadPath));
}

TEST(SharedLibraryAdaptersLoad, AMissingFileGivesThePathAndTheLoadersReason) {
  const std::string path = ::testing::TempDir() + "no-such-adapters.so";
  const std::string error = ErrorOfLoading(path);
  EXPECT_THAT(error, StartsWith("Cannot load adapter library " + path + ": "));
  EXPECT_THAT(error, HasSubstr("cannot open shared object file"));
}

TEST(SharedLibraryAdaptersLoad, AFileThatIsNoLibraryIsRefused) {
  const std::string path = ::testing::TempDir() + "not-a-library.so";
  std::ofstream(path) << "DAPI_OpenDeviceInstance\r\n";
  const std::string error = ErrorOfLoading(path);
  EXPECT_THAT(error, StartsWith("Cannot load adapter library " + path + ": "));
  EXPECT_GT(error.size(), ("Cannot load adapter library " + path + ": ").size());
  std::remove(path.c_str());
}

TEST(SharedLibraryAdaptersLoad, AnEmptyNameIsRefusedRatherThanLoadingTheProgram) {
  EXPECT_EQ(ErrorOfLoading(""), "Cannot load adapter library \"\": the file name is empty");
}

TEST(SharedLibraryAdaptersLoad, TheLibraryIsClosedWithTheLoader) {
  ASSERT_FALSE(StillLoaded(kRecordingPath));
  auto adapters = SharedLibraryAdapters::Load(kRecordingPath);
  EXPECT_EQ(adapters->Path(), kRecordingPath);
  EXPECT_TRUE(StillLoaded(kRecordingPath));
  adapters.reset();
  EXPECT_FALSE(StillLoaded(kRecordingPath));
}

// The simulated test set built as an adapter library, loaded the way a vendor's is.
class SimulatorLibraryTest : public ::testing::Test {
 protected:
  static constexpr std::string_view kDeviceName = "UsbI2cIo";
};

TEST_F(SimulatorLibraryTest, FindsTheDefaultBenchAndAnswersAVersionRequest) {
  auto adapters = SharedLibraryAdapters::Load(TARVOS_SIM_LIBRARY);
  std::vector<int32_t> handles;
  for (uint8_t instance = 0; instance <= 5; ++instance) {
    handles.push_back(adapters->OpenDeviceInstance(kDeviceName, instance));
  }
  ASSERT_GT(handles[0], 0);
  ASSERT_GT(handles[1], 0);
  EXPECT_NE(handles[0], handles[1]);
  EXPECT_LT(handles[5], 0);

  // Bits 2..7 of the input port name the unit behind each adapter.
  for (const auto& [handle, id] : {std::pair{handles[0], 0x04u}, std::pair{handles[1], 0x08u}}) {
    uint32_t value = 0;
    EXPECT_TRUE(adapters->ConfigIoPorts(handle, 0x000F00FC));
    EXPECT_TRUE(adapters->ReadIoPorts(handle, value));
    EXPECT_EQ(value & 0xFCu, id);
  }

  I2cTransfer request{};
  request.SlaveAddress = 0x9A;
  request.Count = 4;
  std::memset(request.Data, 0x01, sizeof request.Data);
  const std::array<uint8_t, 4> version = {0x03, 0x20, 0x00, 0x04};
  std::memcpy(request.Data, version.data(), version.size());
  EXPECT_EQ(adapters->WriteI2c(handles[0], request), 4);

  I2cTransfer reply{};
  reply.SlaveAddress = 0x9A;
  reply.Count = 16;
  ASSERT_EQ(adapters->ReadI2c(handles[0], reply), 16);
  EXPECT_EQ(reply.Data[1], 0xC0) << "first message type";

  for (int32_t handle : handles) {
    if (handle > 0) adapters->CloseDeviceInstance(handle);
  }
}

TEST_F(SimulatorLibraryTest, TheEmptyBenchHasNoAdapters) {
  // The bench may be chosen as the library loads, and a library may stay loaded after it
  // is closed: a fresh process gives a fresh copy, and keeps the setting to itself.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("TARVOS_SIM_BENCH", "none", 1);
        auto adapters = SharedLibraryAdapters::Load(TARVOS_SIM_LIBRARY);
        const int32_t first = adapters->OpenDeviceInstance(kDeviceName, 0);
        const int32_t second = adapters->OpenDeviceInstance(kDeviceName, 1);
        std::fprintf(stderr, "handles %d %d\n", first, second);
        std::exit(first < 0 && second < 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "handles -?[0-9]+ -?[0-9]+");
}

}  // namespace
}  // namespace tarvos::platform
