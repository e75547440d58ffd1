// Runs that cannot level are refused at Start, and what the window offers while a scan
// runs: no PRE-SCAN, no Open, Clear or system details Accept, but saves.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;
using platform::MessageKind;
using platform::ScriptedOperator;

constexpr std::string_view kEnded = "The Run has Ended. ";
constexpr std::string_view kInvalidConditions = "The Run has Ended. (Invalid Conditions).";

// A refused run: ended at Start with reason 8, nothing programmed, the field off.
void ExpectRefusedAtStart(StationRig& rig, const Watch& watch) {
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kInvalidConditions)});
  EXPECT_EQ(rig.op.History().back().Kind, MessageKind::Warning);
  EXPECT_EQ(rig.St().Run().Reason, EndReason::InvalidConditions);
  EXPECT_FALSE(watch.Seen(RunPhase::Levelling));
  const auto& packets = rig.sim.SynthPackets();
  EXPECT_TRUE(std::none_of(packets.begin(), packets.end(), IsFrequencyCommand));
  const auto commands = LevelCommands(packets);
  for (const auto& command : commands) EXPECT_EQ(command.SetPoint, 0);
  EXPECT_TRUE(std::find(commands.begin(), commands.end(), kFieldOff) != commands.end());
  EXPECT_EQ(rig.sim.Salvo().Selection, sim::kSelectNone);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 0U);
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
  EXPECT_EQ(rig.Screen().buttons.run.caption, "RUN");
  EXPECT_TRUE(rig.Screen().buttons.run.enabled);
}

TEST(StartRefusalTest, ACellWithFewerThanTwoRows) {
  StationRig rig;
  PrepareSmallScan(rig);
  // RUN reloads the cell: now it has a single row, which no lookup can interpolate in.
  {
    std::ofstream cell(rig.folder.File("cell0010.csv"), std::ios::binary | std::ios::trunc);
    cell << "TEM Cell 0010 Calibration\r\nDATA,200,1,26214\r\n1000,0.466,0.745,1.015,1.410\r\n";
  }
  Watch watch(rig);
  StopAfter(rig, 120'000);
  rig.St().PressRun();
  ASSERT_EQ(rig.St().Cell().RowCount, 1);
  ExpectRefusedAtStart(rig, watch);
}

class ModeRefusalTest : public ::testing::TestWithParam<uint8_t> {};

TEST_P(ModeRefusalTest, AModeWithoutLevelling) {
  StationRig rig;
  PrepareSmallScan(rig);
  // The single-frequency values are valid, so only the mode can refuse.
  rig.Screen().single.frequency.text = "100";
  rig.Screen().single.level.text = "3";
  rig.St().Setup().TestMode = GetParam();
  Watch watch(rig);
  StopAfter(rig, 120'000);
  rig.St().PressRun();
  ExpectRefusedAtStart(rig, watch);
}

INSTANTIATE_TEST_SUITE_P(Modes, ModeRefusalTest, ::testing::Values(0, 4, 12));

TEST(StartRefusalTest, ACustomGridWhoseFirstRowIsEmpty) {
  StationRig rig;
  rig.StartUp();
  rig.St().PressCustomScan();
  auto& panel = rig.Screen().setup;
  panel.step.text = "5";
  panel.field.text = "3";
  panel.custom.cells[2] = {"100", "3"};
  panel.custom.cells[3] = {"110", "3"};
  rig.St().LeaveSetupField();
  ASSERT_TRUE(rig.St().Validation().SetupValid);
  rig.TakeTexts();
  rig.sim.ClearPackets();
  Watch watch(rig);
  StopAfter(rig, 120'000);
  rig.St().PressRun();
  // Refused before a frequency of 0 reaches the synthesiser ("Frequency too Low").
  ExpectRefusedAtStart(rig, watch);
}

TEST(StartRefusalTest, APreScannedRunWithoutAPreScan) {
  StationRig rig;
  PrepareSmallScan(rig);
  ASSERT_FALSE(rig.St().PreScan().Available);
  // The Test Type choice left on "Pre-Scanned": RUN makes the run a pre-scanned one.
  rig.Screen().setup.test_type.index = 1;
  Watch watch(rig);
  StopAfter(rig, 120'000);
  rig.St().PressRun();
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kPreScanStandard);
  ExpectRefusedAtStart(rig, watch);
}

TEST(RunControlsTest, PreScanIsNotOfferedDuringAStandardRun) {
  StationRig rig;
  PrepareSmallScan(rig);
  ASSERT_TRUE(rig.Screen().buttons.pre_scan.enabled);
  Watch watch(rig);
  bool offered = false;
  watch.Every([&] {
    if (rig.St().Run().Running) offered = offered || rig.Screen().buttons.pre_scan.enabled;
  });
  watch.AtPhase(RunPhase::Dwell, 2, [&] { rig.St().PressPreScan(); });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_FALSE(offered);
  // The press did nothing: the scan went on to its end, and no pre-scan was made.
  EXPECT_EQ(rig.op.Texts(), std::vector<std::string>{std::string(kEnded)});
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  EXPECT_FALSE(rig.St().PreScan().Available);
  EXPECT_FALSE(rig.folder.Has("tempprescan.psc"));
  EXPECT_EQ(rig.St().Setup().TestMode, setup::kStandard);
  EXPECT_TRUE(rig.Screen().buttons.pre_scan.enabled);
}

TEST(RunControlsTest, OpenClearAndAcceptAreRefusedWhileRunningButSavesWork) {
  StationRig rig;
  PrepareSmallScan(rig);
  const std::string results_file = rig.folder.File("during.RF");
  const std::string setup_file = rig.folder.File("during.STP");

  Watch watch(rig);
  bool flags_during = true;
  std::vector<ScriptedOperator::Shown> shown_during;
  watch.AtPhase(RunPhase::Dwell, 2, [&] {
    auto& screen = rig.Screen();
    auto& files = rig.St().Files();
    flags_during = screen.menus.open_enabled || screen.menus.clear_enabled ||
                   screen.system_details.accept_enabled;
    files.OpenResults();
    files.OpenSetup();
    files.OpenPreScans();
    EXPECT_FALSE(files.OpenSetupFrom(rig.folder.File("IEC-Industrial.STP")));
    rig.St().DisplayClear();
    screen.system_details.file_delimiter = ",";
    screen.system_details.cell_number = "99";
    rig.St().AcceptSystemDetails();
    // Nothing was asked or chosen so far.
    shown_during = rig.op.History();
    rig.op.QueueFile(results_file);
    files.SaveAsResults();
    rig.op.QueueFile(setup_file);
    files.SaveAsSetup();
  });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());

  EXPECT_FALSE(flags_during);
  EXPECT_TRUE(shown_during.empty()) << shown_during.front().Text;
  EXPECT_EQ(rig.St().Config().FileDelimiter, ';');
  EXPECT_EQ(rig.St().Config().CellSerial, "10");
  EXPECT_EQ(rig.St().Setup().StartFrequency, 100'000'000U);
  // The saves were offered and written, and the run was not disturbed.
  const auto& history = rig.op.History();
  ASSERT_EQ(history.size(), 3U);
  EXPECT_EQ(history[0].Type, ScriptedOperator::Dialog::SaveFile);
  EXPECT_EQ(history[0].Text, "Save Results + Setup");
  EXPECT_EQ(history[1].Type, ScriptedOperator::Dialog::SaveFile);
  EXPECT_EQ(history[1].Text, "Save Setup Only");
  EXPECT_EQ(history[2].Text, kEnded);
  EXPECT_TRUE(rig.folder.Has("during.RF"));
  EXPECT_TRUE(rig.folder.Has("during.STP"));
  EXPECT_FALSE(rig.folder.Lines("during.RF").empty());
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);

  // Once the run has ended they are offered again.
  auto& screen = rig.Screen();
  EXPECT_TRUE(screen.menus.open_enabled);
  EXPECT_TRUE(screen.menus.clear_enabled);
  EXPECT_TRUE(screen.system_details.accept_enabled);
  rig.op.ClearHistory();
  rig.St().DisplayClear();
  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Text, "Clear all Results ?");
  EXPECT_TRUE(rig.St().Files().OpenSetupFrom(rig.folder.File("during.STP")));
}

}  // namespace
}  // namespace tarvos::scenarios
