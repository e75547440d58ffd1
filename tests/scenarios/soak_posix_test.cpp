// Long use on virtual time: a thousand runs back to back, a day of single-frequency strip
// chart and a run that fills the results store. The heap in use and the open files must
// stay flat, and every run must still end as it should.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of the bytes handed out and not yet freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "engine/result_operations.h"
#include "records/run_log.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

std::size_t OpenFiles() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

// What the process holds now, to compare with a later reading.
struct Footprint {
  std::size_t Heap = HeapInUse();
  std::size_t Files = OpenFiles();
};

// A heap that grows by less than this over the soak is flat: it allows for the
// allocator's own bookkeeping, not for anything a run keeps.
constexpr std::size_t kHeapSlack = 64 * 1024;

// The run's end sent the field-off command, and nothing since has driven the field.
bool FieldLeftOff(const StationRig& rig) {
  const auto after = CommandsAfterLastDrive(rig.sim.SynthPackets());
  return std::find(after.begin(), after.end(), kFieldOff) != after.end() &&
         after.back().Dac == 0 && after.back().SetPoint == 0;
}

void ExpectFlat(const Footprint& before, const Footprint& after) {
  EXPECT_LE(after.Heap, before.Heap + kHeapSlack)
      << "heap in use grew from " << before.Heap << " to " << after.Heap << " bytes";
  EXPECT_EQ(after.Files, before.Files);
}

TEST(SoakTest, AThousandRunsBackToBack) {
  StationRig rig;
  PrepareSmallScan(rig, ScanEntry{.Finish = "105"});  // 100 and 105 MHz
  constexpr int kRuns = 1000;
  constexpr int kSettled = 20;  // runs before the first reading: caches and buffers grown
  Footprint settled;
  int ended = 0;
  for (int run = 1; run <= kRuns; ++run) {
    rig.St().PressRun();
    // Every run ends on its own, with the field off and both steps recorded.
    const auto texts = rig.TakeTexts();
    if (texts != std::vector<std::string>{"The Run has Ended. "} ||
        rig.St().Results().NextIndex != 3 || rig.St().Run().Running) {
      ADD_FAILURE() << "run " << run << ": " << ::testing::PrintToString(texts) << ", next index "
                    << rig.St().Results().NextIndex;
      break;
    }
    if (!FieldLeftOff(rig)) {
      ADD_FAILURE() << "run " << run << " left the field on";
      break;
    }
    rig.sim.ClearPackets();
    ++ended;
    if (run == kSettled) settled = Footprint{};
  }
  EXPECT_EQ(ended, kRuns);
  ExpectFlat(settled, Footprint{});
  EXPECT_FALSE(rig.folder.Has("recovery.RF"));
}

TEST(SoakTest, ADayOfSingleFrequencyStripChart) {
  StationRig rig;
  PrepareStripChart(rig);

  constexpr uint64_t kHourMs = 3600 * 1000;
  Footprint after_an_hour;
  Footprint after_a_day;
  std::vector<uint32_t> next_by_hour;
  std::function<void()> hourly = [&] {
    next_by_hour.push_back(rig.St().Results().NextIndex);
    rig.sim.ClearPackets();  // the simulator's log of every packet, not the program's
    // Both readings while the run goes on (its log open, its latest samples kept).
    if (next_by_hour.size() == 1) after_an_hour = Footprint{};
    if (next_by_hour.size() == 24) after_a_day = Footprint{};
    if (next_by_hour.size() == 24) {
      rig.St().PressRun();  // STOP after a day
      return;
    }
    rig.loop.ScheduleAfter(kHourMs, hourly);
  };
  rig.loop.ScheduleAfter(kHourMs, hourly);
  rig.St().PressRun();  // returns when the day's run is stopped

  ASSERT_EQ(next_by_hour.size(), 24u);
  // Sampled every second all day: the chart keeps shifting between 451 and 600.
  for (uint32_t next : next_by_hour) {
    EXPECT_GE(next, 451u);
    EXPECT_LE(next, 600u);
  }
  EXPECT_GE(rig.loop.ElapsedMs(), 24 * kHourMs);
  const engine::ResultStore& results = rig.St().Results();
  for (uint32_t i = 1; i < 450; ++i) {
    ASSERT_NEAR(results.Entries[i].Level, 3.0, 0.2) << i;
    ASSERT_EQ(results.Entries[i].Frequency, 100'000'000u) << i;
  }
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
  EXPECT_TRUE(FieldLeftOff(rig));
  ExpectFlat(after_an_hour, after_a_day);
  // Every sample is in the log's file; the rows kept in memory stay few.
  EXPECT_LT(rig.St().Recorder().Rows().size(), 2 * station::kSamplesLetGo + 100);
  EXPECT_GT(rig.St().Recorder().DroppedSamples(), 80'000u);
  const auto logged = records::ReadRunLog(rig.St().Recorder().Content());
  ASSERT_TRUE(logged);
  EXPECT_GT(logged->size(), 86'000u);
  EXPECT_EQ(logged->back().Event, records::run_event::kEnd);
}

// The finest scan there is has 1660 frequencies, fewer than the store holds: each run's
// next index is moved on to 1501 at its first step, so that its steps fill the store to
// result 1995, and every step is saved, the whole store each time, to the recovery file. What a
// full store holds the first run may allocate; the second must not add to it.
TEST(SoakTest, RunsThatFillTheStore) {
  StationRig rig;
  {
    std::ofstream cell(rig.folder.File("cell0010.csv"), std::ios::binary | std::ios::app);
    cell << "4294,0.466,0.745,1.015,1.410\r\n";
  }
  PrepareSmallScan(rig, ScanEntry{"29.91", "4294", "0.3", "1", "1"});
  std::size_t largest_recovery = 0;
  rig.St().OnRecorded([&](uint32_t index) {
    rig.sim.ClearPackets();  // the simulator's log, which would grow with the run
    largest_recovery = std::max<std::size_t>(
        largest_recovery, std::filesystem::file_size(rig.folder.File("recovery.RF")));
    if (index == 1) rig.St().Results().NextIndex = 1500;  // the sequencer moves it on
  });
  std::vector<Footprint> after;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    largest_recovery = 0;
    rig.St().PressRun();
    after.emplace_back();
    EXPECT_EQ(rig.TakeTexts(),
              std::vector<std::string>{"The Run has Ended. (Maximum Results Allowed)."});
    EXPECT_EQ(rig.St().Run().Reason, EndReason::MaximumResults);
    const engine::ResultStore& results = rig.St().Results();
    EXPECT_EQ(results.NextIndex, 1996u);
    EXPECT_EQ(engine::ResultCount(results), 1995u);
    for (uint32_t i = 1502; i <= 1995; ++i) {
      ASSERT_GT(results.Entries[i].Frequency, results.Entries[i - 1].Frequency) << i;
      ASSERT_NEAR(results.Entries[i].Level, 1.0, 0.1) << i;
    }
    // The last saves held all 1995 results, a line each.
    EXPECT_GT(largest_recovery, 1995u * 20);
    EXPECT_FALSE(rig.folder.Has("recovery.RF"));
    EXPECT_TRUE(FieldLeftOff(rig));
  }
  ExpectFlat(after[0], after[1]);
}

}  // namespace
}  // namespace tarvos::scenarios
