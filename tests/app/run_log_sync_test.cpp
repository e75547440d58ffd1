// A power cut takes at most the row being written: the run log is put on the disk after
// each row that records the run (its steps, the EUT's changes, faults, start and end).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_rig.h"
#include "app/batch_run.h"
#include "records/run_log.h"

namespace tarvos::app {
namespace {

using testing::Lines;
using testing::RunProgram;
using testing::TempFolder;

TEST(RunLogSyncTest, EveryRowThatRecordsTheRunIsOnTheDiskBeforeTheNext) {
  TempFolder work;
  const std::string record = work.Path() + "syncs.txt";
  // The sanitizers' runtime must come first unless told otherwise.
  const std::string environment = "LD_PRELOAD=" + testing::ShellQuoted(TARVOS_SYNC_RECORDER) +
                                  " TARVOS_SYNC_RECORD=" + testing::ShellQuoted(record) +
                                  " ASAN_OPTIONS=\"${ASAN_OPTIONS}:verify_asan_link_order=0\"";
  const auto run = RunProgram(work.Path(),
                              {"--batch", TARVOS_SOURCE_DIR "/data/IEC-Industrial.STP", "--results",
                               "out.RF", "--program-folder", "home", "--virtual-time",
                               "--stop-after", "40"},
                              environment);
  ASSERT_EQ(run.Status, kExitDone) << run.Err;

  const std::vector<std::string> logs = work.Names("home/logs");
  ASSERT_EQ(logs.size(), 1u);
  const auto rows = records::ReadRunLog(work.Read("home/logs/" + logs[0]));
  ASSERT_TRUE(rows);
  std::size_t recorded = 0;
  std::size_t steps = 0;
  for (const records::RunLogRow& row : *rows) {
    namespace ev = records::run_event;
    if (row.Event == ev::kStep) ++steps;
    if (row.Event == ev::kStart || row.Event == ev::kResume || row.Event == ev::kStep ||
        row.Event == ev::kEutFault || row.Event == ev::kEutOk || row.Event == ev::kFault ||
        row.Event == ev::kEnd) {
      ++recorded;
    }
  }
  ASSERT_GE(steps, 3u);

  const std::string log_path =
      std::filesystem::canonical(work.Path() + "home/logs/" + logs[0]).string();
  std::size_t log_syncs = 0;
  std::size_t recovery_syncs = 0;
  for (const std::string& line : Lines(TempFolder::ReadFile(record))) {
    if (line == "fdatasync " + log_path) ++log_syncs;
    // The recovery file is written whole beside itself and renamed over: each save is
    // synced, then its folder.
    if (line.starts_with("fsync ") && line.find("/home/recovery.RF") != std::string::npos) {
      ++recovery_syncs;
    }
  }
  EXPECT_EQ(log_syncs, recorded);
  EXPECT_GE(recovery_syncs, steps);
}

}  // namespace
}  // namespace tarvos::app
