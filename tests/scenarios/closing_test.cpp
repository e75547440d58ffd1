// The close question and the closing steps, with and without a run in progress, and the
// File menu's exit through the station.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;

constexpr std::string_view kCloseQuestion = "Close Fennix ?";

TEST(ClosingTest, NoKeepsTheWindowAndChangesNothing) {
  StationRig rig;
  rig.StartUp();
  rig.TakeTexts();
  rig.sim.ClearPackets();
  rig.op.QueueAnswer(false);
  EXPECT_FALSE(rig.St().RequestClose());
  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Text, kCloseQuestion);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Confirmation);
  EXPECT_FALSE(rig.St().Closed());
  EXPECT_FALSE(rig.loop.Quitting());
  EXPECT_FALSE(rig.folder.Has("Tarvos.INI"));
  EXPECT_TRUE(rig.sim.IsOpen(0));
  EXPECT_TRUE(rig.sim.SalvoPackets().empty());
}

TEST(ClosingTest, YesSavesTheSettingsDisconnectsTheAmplifiersAndClosesTheAdapters) {
  StationRig rig;
  rig.StartUp();
  rig.sim.WriteIoPorts(rig.St().Link().SynthHandle, 0xFFFF, 0xFFFF);  // every line set
  rig.TakeTexts();
  rig.sim.ClearPackets();
  rig.op.QueueAnswer(true);
  EXPECT_TRUE(rig.St().RequestClose());
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{std::string(kCloseQuestion)});
  EXPECT_TRUE(rig.St().Closed());
  EXPECT_TRUE(rig.loop.Quitting());
  EXPECT_TRUE(rig.folder.Has("Tarvos.INI"));
  EXPECT_EQ(rig.sim.OutputImage(kSynthInstance) & 0xFFFFU, 0U);
  EXPECT_EQ(rig.sim.Salvo().Selection, sim::kSelectNone);
  EXPECT_FALSE(rig.sim.IsOpen(0));
  EXPECT_FALSE(rig.sim.IsOpen(1));

  // Nothing reaches the closed adapters later: the timers are stopped.
  rig.sim.ClearPackets();
  rig.loop.RunFor(60'000);
  EXPECT_TRUE(rig.sim.SynthPackets().empty());
  // A second request (the window's close event after the EXIT button) asks nothing.
  EXPECT_TRUE(rig.St().RequestClose());
  EXPECT_TRUE(rig.op.History().empty());
}

TEST(ClosingTest, ClosingDuringARunEndsItAndClosesAfterTheSequencerReturns) {
  StationRig rig;
  PrepareSmallScan(rig);
  rig.op.QueueAnswer(true);
  Watch watch(rig);
  bool closed_inside_run = true;
  watch.AtPhase(RunPhase::Dwell, 2, [&] {
    EXPECT_TRUE(rig.St().RequestClose());
    closed_inside_run = rig.St().Closed();
  });
  StopAfter(rig, 600'000);
  rig.St().PressRun();
  watch.Stop();
  ASSERT_TRUE(watch.AllFired());

  // Nothing was closed under the sequencer; once it unwound, everything was.
  EXPECT_FALSE(closed_inside_run);
  EXPECT_TRUE(rig.St().Closed());
  EXPECT_TRUE(rig.loop.Quitting());
  EXPECT_FALSE(rig.St().Run().Running);
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
  EXPECT_EQ(rig.St().Run().Reason, engine::EndReason::StoppedByUser);
  EXPECT_EQ(rig.op.Texts(), (std::vector<std::string>{std::string(kCloseQuestion),
                                                      "The Run has been Stopped by User. "}));
  // The step being dwelt on stays recorded; the field went off before the adapters closed.
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 1U);
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(std::count(commands.begin(), commands.end(), kFieldOff) >= 1, true);
  EXPECT_FALSE(rig.sim.IsOpen(0));
  EXPECT_FALSE(rig.sim.IsOpen(1));
  EXPECT_TRUE(rig.folder.Has("Tarvos.INI"));
}

TEST(ClosingTest, AStationWithoutASynthesiserClosesWhatItOpened) {
  StationRig rig("salvo-only");
  rig.StartUp();
  rig.op.QueueAnswer(true);
  EXPECT_TRUE(rig.St().RequestClose());
  EXPECT_TRUE(rig.St().Closed());
  EXPECT_FALSE(rig.sim.IsOpen(1));
  EXPECT_TRUE(rig.folder.Has("Tarvos.INI"));
}

}  // namespace
}  // namespace tarvos::scenarios
