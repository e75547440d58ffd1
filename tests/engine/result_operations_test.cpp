#include "engine/result_operations.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/format_elapsed.h"
#include "engine/run_start.h"
#include "engine/run_state.h"
#include "platform/scripted_operator.h"

namespace tarvos::engine {
namespace {

using platform::MessageKind;
using platform::ScriptedOperator;

// A store with something in every column, so a clear that misses one shows.
std::unique_ptr<ResultStore> FilledStore() {
  auto store = std::make_unique<ResultStore>();
  for (std::size_t i = 0; i < kEntries; ++i) {
    store->Entries[i] = {static_cast<uint32_t>(1000 + i), 2.5 + static_cast<double>(i), kEutFault};
    store->ProbeScale[i] = 3.25;
  }
  store->NextIndex = 17;
  return store;
}

TEST(ClearResultsTest, ZeroesEveryEntryAndTheTotalButKeepsNextIndexAndProbeScale) {
  auto store = FilledStore();
  screen::Screen screen;
  screen.monitor.total = "01:02:03";
  ClearResults(*store, screen);
  for (std::size_t i = 0; i < kEntries; ++i) {
    EXPECT_EQ(store->Entries[i].Frequency, 0u) << i;
    EXPECT_EQ(store->Entries[i].Level, 0.0) << i;
    EXPECT_EQ(store->Entries[i].EutStatus, kEutNothing) << i;
    EXPECT_EQ(store->ProbeScale[i], 3.25) << i;
  }
  EXPECT_EQ(store->NextIndex, 17u);
  EXPECT_EQ(screen.monitor.total, "00:00:00");
}

TEST(ClearPreScanTest, ZeroesTheTableAndTheStoresEutColumnOnly) {
  auto store = FilledStore();
  auto table = std::make_unique<PreScanTable>();
  for (auto& entry : table->Entries) entry = {12345, 678};
  table->Available = true;
  ClearPreScan(*store, *table);
  for (std::size_t i = 0; i < kEntries; ++i) {
    EXPECT_EQ(table->Entries[i].Frequency, 0u) << i;
    EXPECT_EQ(table->Entries[i].DacValue, 0u) << i;
    EXPECT_EQ(store->Entries[i].EutStatus, kEutNothing) << i;
    EXPECT_EQ(store->Entries[i].Frequency, 1000 + i) << i;
  }
  // Availability is the file command's to set.
  EXPECT_TRUE(table->Available);
}

TEST(CapturePreScanFrequenciesTest, CopiesTheWholeFrequencyColumnAndLeavesTheDacValues) {
  auto store = FilledStore();
  auto table = std::make_unique<PreScanTable>();
  for (auto& entry : table->Entries) entry = {1, 42};
  CapturePreScanFrequencies(*store, *table);
  EXPECT_EQ(table->Entries[0].Frequency, 1000u);
  EXPECT_EQ(table->Entries[kEntries - 1].Frequency, 1000u + kEntries - 1);
  for (const auto& entry : table->Entries) EXPECT_EQ(entry.DacValue, 42u);
}

TEST(ResultCountTest, ExcludesTheStepInProgressAndNeverUnderflows) {
  ResultStore store;
  EXPECT_EQ(ResultCount(store), 0u);
  store.NextIndex = 1;
  EXPECT_EQ(ResultCount(store), 0u);
  store.NextIndex = 1996;
  EXPECT_EQ(ResultCount(store), 1995u);
}

TEST(ClearCommandTest, AsksAndClearsOnYes) {
  auto store = FilledStore();
  screen::Screen screen;
  ScriptedOperator op;
  op.QueueAnswer(true);
  ClearCommand(*store, screen, op);
  ASSERT_EQ(op.History().size(), 1u);
  EXPECT_EQ(op.History()[0].Type, ScriptedOperator::Dialog::Question);
  EXPECT_EQ(op.History()[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(op.History()[0].Text, "Clear all Results ?");
  EXPECT_EQ(store->Entries[5].Frequency, 0u);
  EXPECT_EQ(screen.repaints, 1u);
}

TEST(ClearCommandTest, KeepsTheResultsOnNoAndStillRepaints) {
  auto store = FilledStore();
  screen::Screen screen;
  ScriptedOperator op;
  op.QueueAnswer(false);
  ClearCommand(*store, screen, op);
  EXPECT_EQ(store->Entries[5].Frequency, 1005u);
  EXPECT_EQ(screen.monitor.total, "0.0");
  EXPECT_EQ(screen.repaints, 1u);
}

TEST(ClearCommandTest, AsksEvenWhenTheStoreIsEmpty) {
  auto store = std::make_unique<ResultStore>();
  screen::Screen screen;
  ScriptedOperator op;
  op.QueueAnswer(true);
  ClearCommand(*store, screen, op);
  EXPECT_EQ(op.Texts(), std::vector<std::string>{"Clear all Results ?"});
  EXPECT_EQ(screen.repaints, 1u);
}

TEST(StartRunStateTest, ClearsThePerRunStateAndEntersStart) {
  auto store = FilledStore();
  store->ResultsFromFile = true;
  screen::Screen screen;
  RunState run;
  run.StopRequested = run.LoopDone = run.EutFaultLatched = true;
  run.RangeStrike = run.RangeErrorTaken = run.LevellingActive = run.DwellHold = true;
  run.AmplifierStrike = true;
  StartRunState(run, *store, screen, true);
  EXPECT_TRUE(run.Running);
  EXPECT_TRUE(run.PreScanRunning);
  EXPECT_FALSE(run.StopRequested);
  EXPECT_FALSE(run.LoopDone);
  EXPECT_FALSE(run.EutFaultLatched);
  EXPECT_FALSE(run.RangeStrike);
  EXPECT_FALSE(run.RangeErrorTaken);
  EXPECT_FALSE(run.LevellingActive);
  EXPECT_FALSE(run.DwellHold);
  // The amplifier strike carries over: only the range strike starts afresh.
  EXPECT_TRUE(run.AmplifierStrike);
  EXPECT_EQ(run.Phase, RunPhase::Start);
  EXPECT_FALSE(store->ResultsFromFile);
  EXPECT_EQ(store->NextIndex, 1u);
  EXPECT_EQ(store->Entries[1].Frequency, 0u);
  EXPECT_EQ(store->ProbeScale[1], 3.25);
  EXPECT_EQ(screen.monitor.total, "00:00:00");

  StartRunState(run, *store, screen, false);
  EXPECT_FALSE(run.PreScanRunning);
}

TEST(FormatElapsedTest, PadsEachPartToTwoDigitsAndLetsHoursGrow) {
  EXPECT_EQ(FormatElapsed(0), "00:00:00");
  EXPECT_EQ(FormatElapsed(59), "00:00:59");
  EXPECT_EQ(FormatElapsed(61), "00:01:01");
  EXPECT_EQ(FormatElapsed(3599), "00:59:59");
  EXPECT_EQ(FormatElapsed(3600), "01:00:00");
  EXPECT_EQ(FormatElapsed(36 * 3600 + 5), "36:00:05");
  EXPECT_EQ(FormatElapsed(100 * 3600 + 3 * 60 + 7), "100:03:07");
}

TEST(EndReasonTest, MessagesAndKindsAsTheOperatorSeesThem) {
  struct Case {
    EndReason Reason;
    const char* Message;
    MessageKind Kind;
  };
  const Case cases[] = {
      {EndReason::Completed, "The Run has Ended. ", MessageKind::Information},
      {EndReason::StoppedByUser, "The Run has been Stopped by User. ", MessageKind::Information},
      {EndReason::AmplifierFault, "PA STATUS ERROR. Run Stopped. ", MessageKind::Warning},
      {EndReason::HardwareFault, "HARDWARE FAULT. Run Stopped. ", MessageKind::Warning},
      {EndReason::EutFailure, "Unfortunately, the Run has Ended on EUT Failure.",
       MessageKind::Warning},
      {EndReason::RangeError, "RANGE CHANGE ERROR. Run Stopped", MessageKind::Warning},
      {EndReason::PreScanCompleted, "The Pre-Scan has Ended. ", MessageKind::Information},
      {EndReason::MaximumResults, "The Run has Ended. (Maximum Results Allowed).",
       MessageKind::Warning},
      {EndReason::InvalidConditions, "The Run has Ended. (Invalid Conditions).",
       MessageKind::Warning},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EndReasonMessage(c.Reason), c.Message) << static_cast<int>(c.Reason);
    EXPECT_EQ(EndReasonKind(c.Reason), c.Kind) << static_cast<int>(c.Reason);
  }
  // A value outside the table names no message.
  EXPECT_EQ(EndReasonMessage(static_cast<EndReason>(10)), "");
}

}  // namespace
}  // namespace tarvos::engine
