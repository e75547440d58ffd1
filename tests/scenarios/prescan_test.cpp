#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"

namespace tarvos::scenarios {
namespace {

using platform::MessageKind;

constexpr std::array<uint32_t, 4> kSteps = {80'000'000, 88'000'000, 96'800'000, 100'000'000};
constexpr std::size_t kSetupLines = 81;
constexpr const char* kFieldOffPacket = "0B,41,81,FF,00,00,00,00,00,00,00,04";

// 80 to 100 MHz in 10 % steps at 3 V/m: four steps, the last one clamped to the finish.
void ShortScan(StationRig& rig) {
  screen::SetupPanel& panel = rig.Screen().setup;
  panel.start.text = "80";
  panel.finish.text = "100";
  panel.step.text = "10";
  panel.field.text = "3";
  rig.St().LeaveSetupField();
}

// The level commands after each frequency command, one list per step.
std::vector<std::vector<LevelCommand>> LevelCommandsByStep(const std::vector<sim::Packet>& packets) {
  std::vector<std::vector<LevelCommand>> steps;
  for (const auto& packet : packets) {
    if (IsFrequencyCommand(packet)) {
      steps.emplace_back();
    } else if (const auto command = AsLevelCommand(packet); command && !steps.empty()) {
      steps.back().push_back(*command);
    }
  }
  return steps;
}

struct PreScanRig : StationRig {
  PreScanRig() {
    StartUp();
    ShortScan(*this);
    TakeTexts();
    sim.ClearPackets();
  }

  // Runs a pre-scan to its end, noting the DAC value the synthesiser held at each step.
  std::vector<uint16_t> CompletePreScan() {
    std::vector<uint16_t> held;
    St().OnRecorded([&](uint32_t) { held.push_back(sim.Synth().Dac); });
    St().PressPreScan();
    St().OnRecorded(nullptr);
    return held;
  }

  std::vector<LevelCommand> SentLevels() const { return LevelCommands(sim.SynthPackets()); }
};

TEST(PreScanTest, ACompletedPreScanKeepsTheDacOfEveryStep) {
  PreScanRig rig;
  ASSERT_FALSE(rig.Screen().menus.save_as_prescans_enabled);
  const auto held = rig.CompletePreScan();

  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Information);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Pre-Scan has Ended. "});
  ASSERT_EQ(held.size(), kSteps.size());
  const engine::PreScanTable& table = rig.St().PreScan();
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_GT(held[i], 0);
    EXPECT_EQ(table.Entries[i + 1].DacValue, held[i]);
    EXPECT_EQ(table.Entries[i + 1].Frequency, kSteps[i]);
  }
  EXPECT_EQ(table.Entries[5].DacValue, 0);
  EXPECT_EQ(table.Entries[5].Frequency, 0U);
  EXPECT_TRUE(table.Available);

  // Kept: the next run replays it.
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
  EXPECT_EQ(rig.Screen().setup.test_type.index, 1);
  EXPECT_TRUE(rig.Screen().setup.test_type.enabled);
  EXPECT_TRUE(rig.Screen().plot_prescan_visible);
  rig.Screen().menus.save_as_prescans_enabled = false;
  rig.St().Paint();
  EXPECT_TRUE(rig.Screen().menus.save_as_prescans_enabled);
  EXPECT_EQ(rig.Screen().buttons.pre_scan.caption, "PRE-SCAN");
  EXPECT_FALSE(rig.St().Run().Running);

  // A pre-scan only levels: no hold, no modulation, until the field goes off.
  const auto commands = rig.SentLevels();
  ASSERT_FALSE(commands.empty());
  for (std::size_t i = 0; i + 2 < commands.size(); ++i) EXPECT_EQ(commands[i].Mode, 0x82) << i;
  const auto texts = PacketTexts(rig.sim.SynthPackets());
  EXPECT_EQ(texts[texts.size() - 2], kFieldOffPacket);

  // The temporary file: the setup, then one row per step.
  const auto lines = rig.folder.Lines("tempprescan.psc");
  ASSERT_EQ(lines.size(), kSetupLines + kSteps.size());
  EXPECT_EQ(lines[5], "80000000");
  EXPECT_EQ(lines[6], "100000000");
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    EXPECT_EQ(lines[kSetupLines + i], std::to_string(kSteps[i]) + ";" + std::to_string(held[i]));
  }
}

TEST(PreScanTest, TheModeLabelFollowsTheKeptPreScan) {
  PreScanRig rig;
  EXPECT_EQ(rig.Screen().monitor.mode_label, "Standard");
  rig.CompletePreScan();
  ASSERT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
  // Choosing "Pre-Scanned" shows the mode it gives.
  EXPECT_EQ(rig.Screen().monitor.mode_label, "Pre Scan Standard");
}

TEST(PreScanTest, APreScannedRunHoldsTheDacOfEachEntryAtItsStep) {
  PreScanRig rig;
  rig.CompletePreScan();
  // The set points the pre-scan levelled to, step by step.
  const auto pre_scan_steps = LevelCommandsByStep(rig.sim.SynthPackets());
  ASSERT_EQ(pre_scan_steps.size(), kSteps.size() + 1);
  rig.TakeTexts();
  rig.sim.ClearPackets();

  rig.St().PressRun();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), kSteps.size());

  const auto steps = LevelCommandsByStep(rig.sim.SynthPackets());
  // The finishing step programs the frequency once more.
  ASSERT_EQ(steps.size(), kSteps.size() + 1);
  const engine::PreScanTable& table = rig.St().PreScan();
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_FALSE(pre_scan_steps[i].empty());
    const uint16_t set_point = pre_scan_steps[i].front().SetPoint;
    const LevelCommand held{0x81, table.Entries[i + 1].DacValue, set_point};
    // The level command, its confirmation, the hold and the end of the dwell.
    EXPECT_EQ(steps[i], std::vector<LevelCommand>(4, held));
  }
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    EXPECT_NEAR(rig.St().Results().Entries[i + 1].Level, 3.0, 0.15) << i + 1;
  }
}

TEST(PreScanTest, AStoppedFirstPreScanIsNotKept) {
  PreScanRig rig;
  int recorded = 0;
  rig.St().OnRecorded([&](uint32_t) {
    if (++recorded == 2) rig.loop.ScheduleAfter(100, [&] { rig.St().PressPreScan(); });
  });
  rig.St().PressPreScan();

  EXPECT_EQ(recorded, 2);
  ASSERT_FALSE(rig.op.History().empty());
  EXPECT_EQ(rig.op.History().back().Kind, MessageKind::Information);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
  EXPECT_FALSE(rig.folder.Has("tempprescan.psc"));
  const engine::PreScanTable& table = rig.St().PreScan();
  EXPECT_FALSE(table.Available);
  for (std::size_t i = 0; i < engine::kEntries; ++i) {
    ASSERT_EQ(table.Entries[i].DacValue, 0) << i;
    ASSERT_EQ(table.Entries[i].Frequency, 0U) << i;
  }
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kStandard);
  EXPECT_FALSE(rig.Screen().setup.test_type.enabled);
  EXPECT_FALSE(rig.Screen().plot_prescan_visible);
  EXPECT_EQ(rig.Screen().buttons.pre_scan.caption, "PRE-SCAN");
  EXPECT_EQ(PacketTexts(rig.sim.SynthPackets()).back(), "0B,41,82,FF,00,00,00,00,00,00,00,04");
}

TEST(PreScanTest, AStoppedPreScanLeavesTheAvailablePreScanWhole) {
  PreScanRig rig;
  rig.CompletePreScan();
  // The pre-scan that stays available, with values no new pre-scan would give.
  engine::PreScanTable& table = rig.St().PreScan();
  for (std::size_t i = 1; i <= kSteps.size(); ++i) {
    table.Entries[i] = {static_cast<uint32_t>(123'000'000 + i), static_cast<uint16_t>(1000 + i)};
  }
  const engine::PreScanTable before = table;
  const auto file_before = rig.folder.Lines("tempprescan.psc");
  rig.TakeTexts();

  rig.op.QueueAnswer(true);  // overwrite the pre-scan data
  int recorded = 0;
  rig.St().OnRecorded([&](uint32_t) {
    if (++recorded == 3) rig.loop.ScheduleAfter(100, [&] { rig.St().PressPreScan(); });
  });
  rig.St().PressPreScan();

  EXPECT_EQ(recorded, 3);
  EXPECT_EQ(rig.TakeTexts(), (std::vector<std::string>{"Overwrite Existing Pre-Scan Data ?",
                                                        "The Run has been Stopped by User. "}));
  EXPECT_TRUE(table.Available);
  for (std::size_t i = 0; i < engine::kEntries; ++i) {
    ASSERT_EQ(table.Entries[i].DacValue, before.Entries[i].DacValue) << i;
    ASSERT_EQ(table.Entries[i].Frequency, before.Entries[i].Frequency) << i;
  }
  EXPECT_EQ(rig.folder.Lines("tempprescan.psc"), file_before);
  // The steps it did measure stay in the results.
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_EQ(rig.St().Results().Entries[3].Frequency, kSteps[2]);
}

TEST(PreScanTest, TheOverwriteQuestionAnsweredNoChangesNothing) {
  PreScanRig rig;
  rig.CompletePreScan();
  const engine::PreScanTable before = rig.St().PreScan();
  rig.TakeTexts();
  rig.sim.ClearPackets();

  rig.St().PressPreScan();  // the scripted default answer is No
  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(rig.op.History()[0].Text, "Overwrite Existing Pre-Scan Data ?");
  EXPECT_EQ(rig.op.History()[0].Answer, "No");
  rig.TakeTexts();
  EXPECT_TRUE(rig.sim.SynthPackets().empty());
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_TRUE(rig.St().PreScan().Available);
  EXPECT_EQ(rig.St().PreScan().Entries[2].DacValue, before.Entries[2].DacValue);

  // The next RUN is still the pre-scanned run.
  rig.St().PressRun();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
  bool replayed = false;
  for (const auto& packet : rig.sim.SynthPackets()) {
    const auto command = AsLevelCommand(packet);
    if (command && command->Dac == before.Entries[1].DacValue) replayed = command->Mode == 0x81;
    if (replayed) break;
  }
  EXPECT_TRUE(replayed);
}

TEST(PreScanTest, TheOverwriteQuestionAnsweredYesRunsANewPreScan) {
  PreScanRig rig;
  rig.CompletePreScan();
  engine::PreScanTable& table = rig.St().PreScan();
  table.Entries[1].DacValue = 1;  // what the new pre-scan must replace
  rig.TakeTexts();

  rig.op.QueueAnswer(true);
  const auto held = rig.CompletePreScan();
  EXPECT_EQ(rig.TakeTexts(), (std::vector<std::string>{"Overwrite Existing Pre-Scan Data ?",
                                                        "The Pre-Scan has Ended. "}));
  ASSERT_EQ(held.size(), kSteps.size());
  EXPECT_EQ(table.Entries[1].DacValue, held[0]);
  EXPECT_NE(table.Entries[1].DacValue, 1);
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
}

TEST(PreScanTest, AFailedTemporarySaveIsShownAndTheRunStillEnds) {
  PreScanRig rig;
  // A folder in the way of the file: no write can replace it, whoever runs the test.
  std::filesystem::create_directory(rig.folder.File("tempprescan.psc"));
  rig.CompletePreScan();

  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 2U);
  EXPECT_EQ(history[0].Kind, MessageKind::Error);
  EXPECT_FALSE(history[0].Text.empty());
  EXPECT_EQ(history[1].Kind, MessageKind::Information);
  EXPECT_EQ(history[1].Text, "The Pre-Scan has Ended. ");
  EXPECT_TRUE(std::filesystem::is_directory(rig.folder.File("tempprescan.psc")));

  // The end-of-run routine ran after the error: field off, amplifiers disconnected.
  const auto texts = PacketTexts(rig.sim.SynthPackets());
  ASSERT_GE(texts.size(), 2U);
  EXPECT_EQ(texts[texts.size() - 2], kFieldOffPacket);
  const auto salvo = PacketTexts(rig.sim.SalvoPackets());
  ASSERT_GE(salvo.size(), 2U);
  EXPECT_EQ(salvo[salvo.size() - 2], "03,40,01,04");
  EXPECT_EQ(rig.sim.Salvo().Selection, 1);
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, engine::RunPhase::Idle);
  EXPECT_EQ(rig.Screen().buttons.pre_scan.caption, "PRE-SCAN");
  // The pre-scan itself is kept in memory.
  EXPECT_TRUE(rig.St().PreScan().Available);
  EXPECT_EQ(rig.St().PreScan().Entries[4].Frequency, kSteps[3]);
}

TEST(PreScanTest, PreScanIsRefusedWhileAScanRuns) {
  PreScanRig rig;
  bool checked = false;
  rig.St().OnRecorded([&](uint32_t index) {
    if (index != 1) return;
    checked = true;
    EXPECT_FALSE(rig.Screen().buttons.pre_scan.enabled);
    rig.St().PressPreScan();  // refused: no pre-scan inside the run
    EXPECT_FALSE(rig.St().Run().PreScanRunning);
    rig.loop.ScheduleAfter(100, [&] { rig.St().PressRun(); });
  });
  rig.St().PressRun();
  EXPECT_TRUE(checked);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
  EXPECT_FALSE(rig.St().PreScan().Available);
  EXPECT_TRUE(rig.Screen().buttons.pre_scan.enabled);
}

}  // namespace
}  // namespace tarvos::scenarios
