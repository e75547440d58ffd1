// The adapter library in its helper process, on virtual time: the simulator's library in
// tarvos-adapters keeps the test's clock (a build of it that reads its time from a file
// written before each call), so a run through the helper is the run in process, call for
// call. The helper killed in a phase of a run must end that run exactly as both adapters
// pulled out at that moment end it in process: the same boxes, the same end, the same
// results kept and saved; and one warning says why. A library whose read never returns
// costs the time limit, not the program.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_operations.h"
#include "platform/precise_sleep.h"
#include "platform/process_adapters.h"
#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;

// Every call first writes the loop's time where the simulator in the helper reads it.
class ClockedAdapters final : public platform::AdapterLibrary {
 public:
  ClockedAdapters(platform::VirtualEventLoop& loop, std::string clock_file,
                  std::unique_ptr<platform::ProcessAdapters> inner)
      : loop_(loop), clock_file_(std::move(clock_file)), inner_(std::move(inner)) {}

  platform::ProcessAdapters& Inner() { return *inner_; }

  int32_t OpenDeviceInstance(std::string_view name, uint8_t instance) override {
    Publish();
    return inner_->OpenDeviceInstance(name, instance);
  }
  int32_t CloseDeviceInstance(int32_t handle) override {
    Publish();
    return inner_->CloseDeviceInstance(handle);
  }
  bool GetSerialId(int32_t handle, platform::SerialBuffer& buffer) override {
    Publish();
    return inner_->GetSerialId(handle, buffer);
  }
  bool ConfigIoPorts(int32_t handle, uint32_t config) override {
    Publish();
    return inner_->ConfigIoPorts(handle, config);
  }
  bool ReadIoPorts(int32_t handle, uint32_t& value) override {
    Publish();
    return inner_->ReadIoPorts(handle, value);
  }
  bool WriteIoPorts(int32_t handle, uint32_t value, uint32_t mask) override {
    Publish();
    return inner_->WriteIoPorts(handle, value, mask);
  }
  int32_t WriteI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    Publish();
    return inner_->WriteI2c(handle, transfer);
  }
  int32_t ReadI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    Publish();
    return inner_->ReadI2c(handle, transfer);
  }
  void Reconnect() override {
    Publish();
    inner_->Reconnect();
  }

  void Publish() {
    const uint64_t now = loop_.ClockMs();
    if (now == published_) return;
    std::ofstream(clock_file_, std::ios::trunc) << now << '\n';
    published_ = now;
  }

 private:
  platform::VirtualEventLoop& loop_;
  std::string clock_file_;
  std::unique_ptr<platform::ProcessAdapters> inner_;
  uint64_t published_ = ~uint64_t{0};
};

// The files the hooks' build of the simulator reads, named to it through the environment
// the helper inherits.
class HookFiles {
 public:
  HookFiles() : folder_(testing_support::MakeTempFolder("tarvos-helper-hooks")) {
    testing_support::SetEnvironment("TARVOS_SIM_CLOCK_FILE", Clock().c_str());
    testing_support::SetEnvironment("TARVOS_SIM_HANG_FILE", Hang().c_str());
    testing_support::SetEnvironment("TARVOS_SIM_PACKET_LOG", Packets().c_str());
  }
  ~HookFiles() {
    testing_support::SetEnvironment("TARVOS_SIM_CLOCK_FILE", nullptr);
    testing_support::SetEnvironment("TARVOS_SIM_HANG_FILE", nullptr);
    testing_support::SetEnvironment("TARVOS_SIM_PACKET_LOG", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  HookFiles(const HookFiles&) = delete;
  HookFiles& operator=(const HookFiles&) = delete;

  std::string Clock() const { return folder_ + "/clock"; }
  std::string Hang() const { return folder_ + "/hang"; }
  std::string Packets() const { return folder_ + "/packets"; }
  // The synthesiser's packets, as the simulator in the helper logged them.
  std::vector<std::string> SynthPackets() const {
    std::ifstream in(Packets());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  void MakeReadsHang() const { std::ofstream(Hang()) << "hang\n"; }

 private:
  std::string folder_;
};

enum class Kind { Scan, PreScan, Single };

struct Where {
  Kind Test;
  RunPhase Phase;
  uint32_t NextIndex;
  std::string_view Name;
};

// The scan is 100, 105 and 110 MHz at 3 V/m; the single-frequency test is stopped by the
// operator once the strip chart has taken some samples.
constexpr uint32_t kSingleStopAt = 6;
constexpr Where kWheres[] = {
    {Kind::Scan, RunPhase::Start, 1, "Scan_Start"},
    {Kind::Scan, RunPhase::NextStep, 2, "Scan_NextStep"},
    {Kind::Scan, RunPhase::Levelling, 2, "Scan_Levelling"},
    {Kind::Scan, RunPhase::Confirm, 2, "Scan_Confirm"},
    {Kind::Scan, RunPhase::ReadBack, 2, "Scan_ReadBack"},
    {Kind::Scan, RunPhase::Record, 2, "Scan_Record"},
    {Kind::Scan, RunPhase::Dwell, 3, "Scan_Dwell"},
    {Kind::Scan, RunPhase::End, 4, "Scan_End"},
    {Kind::PreScan, RunPhase::Levelling, 2, "PreScan_Levelling"},
    {Kind::PreScan, RunPhase::End, 4, "PreScan_End"},
    {Kind::Single, RunPhase::Levelling, 1, "Single_Levelling"},
    {Kind::Single, RunPhase::Dwell, 3, "Single_StripChart"},
};

// One run of the test, to its end, with the action at the phase; what it left behind.
struct Outcome {
  std::vector<std::string> Texts;
  std::vector<EndReason> Reasons;
  std::vector<engine::ResultPoint> Results;
  std::vector<std::string> Saved;  // the results saved after the run
  bool Acted = false;
  bool SynthPresent = false;
  uint64_t WallMs = 0;
};

void Prepare(StationRig& rig, Kind test) {
  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());
  if (test == Kind::Single) {
    rig.St().PressSinglePoint();
    rig.Screen().single.frequency.text = "100";
    rig.Screen().single.level.text = "3";
    rig.St().LeaveSetupField();
  } else {
    EnterStandardScan(rig);
  }
  ASSERT_TRUE(rig.St().Validation().SetupValid);
  rig.TakeTexts();
}

Outcome RunWith(StationRig& rig, const Where& where, const std::function<void()>& act) {
  Outcome outcome;
  rig.St().OnRunEnded([&](EndReason reason) { outcome.Reasons.push_back(reason); });
  Watch watch(rig);
  watch.AtPhase(where.Phase, where.NextIndex, [&] {
    outcome.Acted = true;
    act();
  });
  if (where.Test == Kind::Single) {
    watch.When(
        [&] {
          return rig.St().Run().Phase == RunPhase::Dwell &&
                 rig.St().Results().NextIndex >= kSingleStopAt;
        },
        [&] { rig.St().PressRun(); });
  }
  StopAfter(rig, 600'000);
  const uint64_t began = platform::MonotonicMs();
  if (where.Test == Kind::PreScan) {
    rig.St().PressPreScan();
  } else {
    rig.St().PressRun();
  }
  outcome.WallMs = platform::MonotonicMs() - began;
  watch.Stop();
  outcome.Texts = rig.TakeTexts();
  const auto& results = rig.St().Results();
  outcome.Results.assign(results.Entries.begin() + 1, results.Entries.begin() + results.NextIndex);
  if (!outcome.Results.empty() && rig.St().Files().SaveResultsTo(rig.folder.File("after.RF"))) {
    outcome.Saved = rig.folder.Lines("after.RF");
  }
  outcome.SynthPresent = rig.St().Link().SynthPresent;
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
  return outcome;
}

class HelperRig {
 public:
  explicit HelperRig(platform::ProcessAdapters::Limits limits = {})
      : rig_("fennix-salvo", true, [this, limits](platform::VirtualEventLoop& loop) {
          std::ofstream(hooks_.Clock(), std::ios::trunc) << loop.ClockMs() << '\n';
          auto process = std::make_unique<platform::ProcessAdapters>(
              TARVOS_ADAPTER_HELPER, TARVOS_SIM_HOOKS_LIBRARY, limits,
              [this](const std::string& text) { warnings_.push_back(text); });
          auto clocked = std::make_unique<ClockedAdapters>(loop, hooks_.Clock(), std::move(process));
          clocked_ = clocked.get();
          return clocked;
        }) {}

  StationRig& Rig() { return rig_; }
  platform::ProcessAdapters& Process() { return clocked_->Inner(); }
  const HookFiles& Hooks() const { return hooks_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  void KillHelper() {
    ASSERT_GT(Process().HelperId(), 0);
    ASSERT_EQ(::kill(static_cast<pid_t>(Process().HelperId()), SIGKILL), 0);
    // Dead before the next call, as a crash inside the library would leave it.
    const uint64_t until = platform::MonotonicMs() + 2000;
    platform::PreciseSleeper sleeper;
    while (!Zombie() && platform::MonotonicMs() < until) {
      sleeper.SleepUntil(platform::MonotonicMs() + 1);
    }
  }

 private:
  bool Zombie() {
    std::ifstream status("/proc/" + std::to_string(Process().HelperId()) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.starts_with("State:")) return line.find('Z') != std::string::npos;
    }
    return true;
  }

  HookFiles hooks_;
  std::vector<std::string> warnings_;
  ClockedAdapters* clocked_ = nullptr;
  StationRig rig_;
};

void ExpectSameResults(const std::vector<engine::ResultPoint>& helper,
                       const std::vector<engine::ResultPoint>& in_process) {
  ASSERT_EQ(helper.size(), in_process.size());
  for (std::size_t i = 0; i < helper.size(); ++i) {
    EXPECT_EQ(helper[i].Frequency, in_process[i].Frequency) << "result " << i + 1;
    EXPECT_EQ(helper[i].Level, in_process[i].Level) << "result " << i + 1;
  }
}

class HelperKilledTest : public ::testing::TestWithParam<Where> {};

TEST_P(HelperKilledTest, EndsTheRunAsBothAdaptersPulledOutAndSaysSoOnce) {
  const Where where = GetParam();

  StationRig in_process;
  Prepare(in_process, where.Test);
  const Outcome unplugged = RunWith(in_process, where, [&] {
    in_process.sim.Faults().Synth.Unplugged = true;
    in_process.sim.Faults().Salvo.Unplugged = true;
  });
  ASSERT_TRUE(unplugged.Acted);

  HelperRig helper;
  Prepare(helper.Rig(), where.Test);
  EXPECT_EQ(helper.Process().HelperBits(), static_cast<int>(sizeof(void*) * 8));
  const Outcome killed = RunWith(helper.Rig(), where, [&] { helper.KillHelper(); });
  ASSERT_TRUE(killed.Acted);

  EXPECT_EQ(helper.Warnings(),
            std::vector<std::string>{"The adapter process has ended (signal 9)."});
  EXPECT_EQ(killed.Texts, unplugged.Texts);
  EXPECT_EQ(killed.Reasons, unplugged.Reasons);
  ASSERT_EQ(killed.Reasons.size(), 1u);
  ExpectSameResults(killed.Results, unplugged.Results);
  EXPECT_EQ(killed.Saved, unplugged.Saved);
  EXPECT_EQ(killed.Saved.empty(), killed.Results.empty());
  EXPECT_EQ(killed.SynthPresent, unplugged.SynthPresent);
  EXPECT_LT(killed.WallMs, 20'000u) << "the run must end soon after the helper";
}

INSTANTIATE_TEST_SUITE_P(Phases, HelperKilledTest, ::testing::ValuesIn(kWheres),
                         [](const ::testing::TestParamInfo<Where>& info) {
                           return std::string(info.param.Name);
                         });

TEST(HelperTest, ARunThroughTheHelperIsTheRunInProcess) {
  StationRig in_process;
  Prepare(in_process, Kind::Scan);
  const Where never{Kind::Scan, RunPhase::Idle, 99, "none"};
  const Outcome direct = RunWith(in_process, never, [] {});

  HelperRig helper;
  Prepare(helper.Rig(), Kind::Scan);
  const Outcome through = RunWith(helper.Rig(), never, [] {});

  EXPECT_EQ(direct.Texts, std::vector<std::string>{"The Run has Ended. "});
  EXPECT_EQ(through.Texts, direct.Texts);
  ASSERT_EQ(direct.Results.size(), 3u);
  ExpectSameResults(through.Results, direct.Results);
  EXPECT_EQ(through.Saved, direct.Saved);
  EXPECT_TRUE(helper.Warnings().empty());
  // Every frequency and level command, byte for byte, from start-up to the end.
  const auto sent = PacketTexts(in_process.sim.SynthPackets());
  const auto& packets = in_process.sim.SynthPackets();
  EXPECT_GE(std::count_if(packets.begin(), packets.end(), IsFrequencyCommand), 3);
  EXPECT_GE(LevelCommands(packets).size(), 3u);
  EXPECT_EQ(helper.Hooks().SynthPackets(), sent);
}

TEST(HelperTest, AReadThatNeverReturnsCostsTheTimeLimitAndEndsTheRun) {
  HelperRig helper({.CallMs = 300, .SlowCallMs = 1000});
  Prepare(helper.Rig(), Kind::Scan);
  const Where where{Kind::Scan, RunPhase::Levelling, 2, "Levelling"};
  std::vector<engine::ResultPoint> before;
  const Outcome hung = RunWith(helper.Rig(), where, [&] {
    const auto& results = helper.Rig().St().Results();
    before.assign(results.Entries.begin() + 1, results.Entries.begin() + results.NextIndex);
    helper.Hooks().MakeReadsHang();
  });
  ASSERT_TRUE(hung.Acted);

  EXPECT_EQ(helper.Warnings(),
            std::vector<std::string>{"The adapter process has ended (no answer in 0.3 s)."});
  ASSERT_EQ(hung.Reasons.size(), 1u);
  EXPECT_EQ(hung.Reasons[0], EndReason::HardwareFault);
  // The port write after the hung read fails first, then the synthesiser is given up.
  EXPECT_EQ(hung.Texts, (std::vector<std::string>{
                            "Tarvos Fault : Write Error. #1", "Tarvos Fault : Write Error. #2",
                            "Salvo Fault : I2C Write Error.", "Salvo Fault : I2C Write Error.",
                            "HARDWARE FAULT. Run Stopped. "}));
  ASSERT_EQ(before.size(), 1u);
  ExpectSameResults(std::vector<engine::ResultPoint>(hung.Results.begin(),
                                                     hung.Results.begin() + 1),
                    before);
  EXPECT_FALSE(hung.Saved.empty());
  EXPECT_LT(hung.WallMs, 20'000u);
  EXPECT_FALSE(hung.SynthPresent);
}

TEST(HelperTest, EnumeratingStartsAFailedHelperAgain) {
  HelperRig helper;
  Prepare(helper.Rig(), Kind::Scan);
  const long long first = helper.Process().HelperId();
  helper.KillHelper();
  uint32_t value = 0;
  EXPECT_FALSE(helper.Rig().adapters->ReadIoPorts(1, value));
  EXPECT_TRUE(helper.Process().Failed());

  helper.Rig().St().OpenTestForm();
  helper.Rig().St().TestFormEnumerate();
  EXPECT_FALSE(helper.Process().Failed());
  EXPECT_NE(helper.Process().HelperId(), first);
  EXPECT_EQ(helper.Warnings(),
            std::vector<std::string>{"The adapter process has ended (signal 9)."});
  EXPECT_TRUE(helper.Rig().St().Link().SynthPresent);
}

}  // namespace
}  // namespace tarvos::scenarios
