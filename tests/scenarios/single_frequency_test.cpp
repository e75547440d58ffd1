#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"
#include "setup/number_forms.h"

namespace tarvos::scenarios {
namespace {

using engine::RunPhase;
using platform::MessageKind;

constexpr uint64_t kFirstSampleMs = 4000;  // modulation delay 3000 ms, then one strip period

// A started station in single-frequency mode at 100 MHz and 3 V/m, without auto increase.
struct SingleRig : StationRig {
  SingleRig() {
    StartUp();
    St().PressSinglePoint();
    Screen().single.frequency.text = "100";
    Screen().single.level.text = "3";
    St().LeaveSetupField();
    TakeTexts();
    sim.ClearPackets();
  }

  // A dwell without auto increase has no end of its own: a run still going at the
  // deadline is a failure, and is stopped so that the test ends.
  void Deadline(uint64_t ms) {
    loop.ScheduleAfter(ms, [this] {
      if (!St().Run().Running) return;
      ADD_FAILURE() << "the run was still going at the deadline";
      St().PressRun();
    });
  }

  // Runs the action once, that long after the step recorded into the entry.
  void AfterRecord(uint32_t index, uint64_t delay_ms, std::function<void()> action) {
    pending_.push_back({index, delay_ms, std::move(action), false});
    St().OnRecorded([this](uint32_t recorded) {
      recorded_.push_back({recorded, loop.ClockMs(), St().Results().Entries[recorded]});
      for (auto& entry : pending_) {
        if (entry.Done || entry.Index != recorded) continue;
        entry.Done = true;
        loop.ScheduleAfter(entry.DelayMs, entry.Action);
      }
    });
  }

  struct Recorded {
    uint32_t Index = 0;
    uint64_t AtMs = 0;
    engine::ResultPoint Point;
  };
  const std::vector<Recorded>& Records() const { return recorded_; }

  int FrequencyCommands() const {
    return static_cast<int>(std::count_if(sim.SynthPackets().begin(), sim.SynthPackets().end(),
                                          IsFrequencyCommand));
  }

 private:
  struct Pending {
    uint32_t Index;
    uint64_t DelayMs;
    std::function<void()> Action;
    bool Done;
  };
  std::vector<Pending> pending_;
  std::vector<Recorded> recorded_;
};

TEST(SingleFrequencyTest, FrequencyUpDuringTheDwellRelevelsAndReplacesTheLastSample) {
  SingleRig rig;
  uint32_t next_at_press = 0;
  // Between two strip-chart samples: four taken so far.
  rig.AfterRecord(1, kFirstSampleMs + 3500, [&] {
    next_at_press = rig.St().Results().NextIndex;
    rig.St().PressFrequencyUp();
    EXPECT_EQ(rig.Screen().single.frequency.text, "102.000");
    EXPECT_EQ(rig.St().Setup().CurrentFrequency, 102'000'000U);
  });
  // The re-levelled step lands on the last sample, entry 5; the run is stopped after it.
  rig.AfterRecord(5, 2000, [&] { rig.St().PressRun(); });
  rig.Deadline(60000);
  rig.St().PressRun();

  EXPECT_EQ(next_at_press, 6U);
  const auto& records = rig.Records();
  ASSERT_EQ(records.size(), 2U);
  EXPECT_EQ(records[1].Index, next_at_press - 1);
  EXPECT_EQ(records[1].Point.Frequency, 102'000'000U);
  EXPECT_NEAR(records[1].Point.Level, 3.0, 0.1);
  const engine::ResultStore& results = rig.St().Results();
  for (uint32_t i = 1; i + 1 < next_at_press; ++i) {
    EXPECT_EQ(results.Entries[i].Frequency, 100'000'000U) << i;
    EXPECT_NEAR(results.Entries[i].Level, 3.0, 0.1) << i;
  }
  EXPECT_EQ(results.Entries[next_at_press - 1].Frequency, 102'000'000U);
  // The first frequency and the retune; the synthesiser was levelled at 102 MHz.
  EXPECT_EQ(rig.FrequencyCommands(), 2);
  EXPECT_NEAR(rig.sim.Synth().FrequencyMhz, 102.0, 0.2);  // within the PLL's resolution
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
}

TEST(SingleFrequencyTest, FrequencyStepsStayInsideTheFrequencyRange) {
  SingleRig rig;
  screen::SinglePanel& panel = rig.Screen().single;
  ASSERT_EQ(rig.St().Setup().CurrentFrequency, 100'000'000U);

  panel.frequency_inc.text = "200";
  rig.St().PressFrequencyDown();  // below 0 Hz
  EXPECT_EQ(rig.St().Setup().CurrentFrequency, 100'000'000U);
  EXPECT_EQ(panel.frequency.text, "100.000");
  EXPECT_FALSE(rig.St().Run().RetuneRequest);

  panel.frequency.text = "4294";
  panel.frequency_inc.text = "1";
  rig.St().PressFrequencyUp();  // past 4294967295 Hz
  EXPECT_EQ(rig.St().Setup().CurrentFrequency, 100'000'000U);
  EXPECT_EQ(panel.frequency.text, "100.000");
  EXPECT_FALSE(rig.St().Run().RetuneRequest);

  panel.frequency.text = "100";
  panel.frequency_inc.text = "2.0";
  rig.St().PressFrequencyDown();
  EXPECT_EQ(rig.St().Setup().CurrentFrequency, 98'000'000U);
  EXPECT_EQ(panel.frequency.text, "98.000");
  EXPECT_TRUE(rig.St().Run().RetuneRequest);
  EXPECT_TRUE(rig.op.History().empty());
}

TEST(SingleFrequencyTest, LevelStepsFollowTheirLimits) {
  SingleRig rig;
  screen::Screen& screen = rig.Screen();
  engine::RunState& run = rig.St().Run();
  ASSERT_TRUE(screen.single.step_buttons_enabled);
  auto level_down = [&](const char* level, const char* inc) {
    run.RetuneRequest = false;
    screen.single.level.text = level;
    screen.single.level_inc.text = inc;
    rig.St().PressLevelDown();
  };

  level_down("0.15", "0.1");
  EXPECT_EQ(screen.single.level.text, "0.05");
  EXPECT_EQ(screen.monitor.target, "0.05");
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 0.15F - 0.1F);
  EXPECT_TRUE(run.RetuneRequest);

  level_down("0.15", "0.2");
  EXPECT_EQ(screen.single.level.text, "0.01");
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 0.01F);
  EXPECT_TRUE(run.RetuneRequest);

  level_down("0.1", "0.05");  // 0.1 or less: nothing
  EXPECT_EQ(screen.single.level.text, "0.1");
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 0.01F);
  EXPECT_FALSE(run.RetuneRequest);

  run.RetuneRequest = false;
  screen.single.level.text = "3";
  screen.single.level_inc.text = "0.1";
  rig.St().PressLevelUp();
  EXPECT_EQ(screen.single.level.text, "3.10");
  EXPECT_EQ(screen.monitor.target, "3.10");
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 3.1F);
  EXPECT_TRUE(run.RetuneRequest);

  // Up to the maximum it is shown but not taken.
  const float max_field = rig.St().Cell().MaxField;
  ASSERT_GT(max_field, 1.0F);
  screen.single.level.text = setup::FormatFixed(max_field - 0.05F, 0, 2);
  rig.St().PressLevelUp();
  EXPECT_EQ(screen.single.level.text, setup::FormatFixed(max_field + 0.05F, 0, 2));
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 3.1F);
  EXPECT_TRUE(rig.op.History().empty());
}

TEST(SingleFrequencyTest, LevelDownAtTheFloorOnlyStopsTheStripChart) {
  SingleRig rig;
  rig.Screen().single.level.text = "0.1";
  rig.St().LeaveSetupField();
  uint32_t next_at_press = 0;
  rig.AfterRecord(1, kFirstSampleMs + 2500, [&] {
    next_at_press = rig.St().Results().NextIndex;
    rig.St().PressLevelDown();
    rig.loop.ScheduleAfter(6000, [&] {
      EXPECT_EQ(rig.St().Results().NextIndex, next_at_press);  // no sample since
      EXPECT_EQ(rig.St().Run().Phase, RunPhase::Dwell);
      rig.St().PressRun();
    });
  });
  rig.Deadline(60000);
  rig.St().PressRun();
  EXPECT_EQ(next_at_press, 5U);
  EXPECT_EQ(rig.Records().size(), 1U);
  EXPECT_EQ(rig.FrequencyCommands(), 1);
  EXPECT_EQ(rig.Screen().single.level.text, "0.1");
}

TEST(SingleFrequencyTest, LeavingTheFrequencyFieldInADwellRestartsFromTheFirstEntry) {
  SingleRig rig;
  uint64_t left_at = 0;
  int firsts = 0;
  rig.St().OnRecorded([&](uint32_t index) {
    if (index != 1) return;
    if (++firsts == 1) {
      rig.loop.ScheduleAfter(kFirstSampleMs + 2500, [&] {
        EXPECT_EQ(rig.St().Results().NextIndex, 5U);
        rig.Screen().single.frequency.text = "150";
        rig.St().LeaveSingleFrequency();
        left_at = rig.loop.ClockMs();
        EXPECT_EQ(rig.Screen().single.frequency.text, "150.000");
      });
    } else {
      EXPECT_EQ(rig.St().Results().Entries[1].Frequency, 150'000'000U);
      // A new warm-up: at least 90 ticks after the restart.
      EXPECT_GE(rig.loop.ClockMs() - left_at, 90 * kTickMs);
      rig.loop.ScheduleAfter(1000, [&] { rig.St().PressRun(); });
    }
  });
  rig.Deadline(60000);
  rig.St().PressRun();
  EXPECT_EQ(firsts, 2);
  EXPECT_EQ(rig.St().Results().NextIndex, 2U);
  EXPECT_EQ(rig.St().Setup().CurrentFrequency, 150'000'000U);
  EXPECT_EQ(rig.FrequencyCommands(), 2);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
}

TEST(SingleFrequencyTest, ALevelOutsideTheCellIsRefusedOnLeavingTheField) {
  SingleRig rig;
  rig.Screen().single.level.text = "0";
  rig.St().LeaveSingleLevel();
  ASSERT_EQ(rig.op.History().size(), 1U);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Warning);
  EXPECT_EQ(rig.op.History()[0].Text, "Invalid Field Strength");
  EXPECT_EQ(rig.Screen().single.level.text, "3.00");
  EXPECT_EQ(rig.St().Run().Phase, RunPhase::Idle);
}

TEST(SingleFrequencyTest, TheAutoIncreaseRampStopsBeforeSendingItsEndLevel) {
  SingleRig rig;
  screen::SinglePanel& panel = rig.Screen().single;
  panel.start_level.text = "1";
  panel.end_level.text = "10";
  panel.step_size.text = "1";
  panel.dwell.text = "1";
  rig.St().ClickAutoIncrease(true);
  ASSERT_TRUE(rig.St().Setup().AutoIncrease);
  ASSERT_TRUE(rig.op.History().empty());

  // Every Target text shown, as the window would draw it.
  std::vector<std::string> targets;
  Watch watch(rig);
  watch.Every([&] {
    if (targets.empty() || targets.back() != rig.Screen().monitor.target) {
      targets.push_back(rig.Screen().monitor.target);
    }
  });
  rig.St().PressRun();
  watch.Stop();

  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
  const engine::ResultStore& results = rig.St().Results();
  ASSERT_EQ(engine::ResultCount(results), 10U);
  const std::array<double, 10> levels = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (std::size_t i = 0; i < levels.size(); ++i) {
    EXPECT_NEAR(results.Entries[i + 1].Level, levels[i], 0.1 * levels[i]) << i + 1;
    EXPECT_EQ(results.Entries[i + 1].Frequency, 100'000'000U);
  }
  EXPECT_FLOAT_EQ(rig.St().Setup().SingleLevel, 10.0F);
  EXPECT_NE(std::find(targets.begin(), targets.end(), "9.00"), targets.end());
  EXPECT_NE(std::find(targets.begin(), targets.end(), "10.00"), targets.end());

  // After the last frequency command only the field off and the drive off follow.
  const auto& packets = rig.sim.SynthPackets();
  const auto last_frequency = std::find_if(packets.rbegin(), packets.rend(), IsFrequencyCommand);
  ASSERT_NE(last_frequency, packets.rend());
  const std::vector<sim::Packet> after(last_frequency.base(), packets.end());
  EXPECT_EQ(LevelCommands(after),
            (std::vector<LevelCommand>{kFieldOff, LevelCommand{0x82, 0, 0}}));
  EXPECT_EQ(rig.FrequencyCommands(), 11);
}

// The clock reads the rig's time, moved on with virtual time from 23:05:09.
void FollowVirtualTime(StationRig& rig) {
  const uint64_t seconds = 23 * 3600 + 5 * 60 + 9 + rig.loop.ElapsedMs() / 1000;
  rig.now.Hour = static_cast<int>(seconds / 3600 % 24);
  rig.now.Minute = static_cast<int>(seconds / 60 % 60);
  rig.now.Second = static_cast<int>(seconds % 60);
}

TEST(SingleFrequencyTest, TheStripChartKeepsTheNewest450OfA600SampleWindow) {
  SingleRig rig;
  std::function<void()> follow = [&] {
    FollowVirtualTime(rig);
    rig.loop.ScheduleAfter(1000, follow);
  };
  follow();

  std::vector<double> before;  // entries 0 to 599 just before the shift
  std::array<std::string, 6> marks_before{};
  std::string shift_time;
  bool checked = false;
  std::function<void()> poll = [&] {
    const uint32_t next = rig.St().Results().NextIndex;
    if (before.empty() && next == 600) {
      for (uint32_t i = 0; i < 600; ++i) before.push_back(rig.St().Results().Entries[i].Level);
      marks_before = rig.Screen().graph.time_marks;
    } else if (!before.empty() && shift_time.empty() && next < 600) {
      shift_time = rig.Screen().graph.time_marks[5];
      EXPECT_EQ(next, 451U);
    } else if (!shift_time.empty() && next == 452 && !checked) {
      checked = true;
      EXPECT_NEAR(rig.St().Results().Entries[451].Level, 3.0, 0.1);
      EXPECT_EQ(rig.St().Results().Entries[451].Frequency, 100'000'000U);
      rig.St().PressRun();
      return;
    }
    rig.loop.ScheduleAfter(100, poll);
  };
  poll();
  rig.Deadline(700000);
  rig.St().PressRun();

  ASSERT_TRUE(checked);
  ASSERT_EQ(before.size(), 600U);
  const engine::ResultStore& results = rig.St().Results();
  for (uint32_t i = 1; i < 450; ++i) {
    ASSERT_DOUBLE_EQ(results.Entries[i].Level, before[i + 150]) << i;
  }
  EXPECT_NEAR(results.Entries[450].Level, 3.0, 0.1);  // the sample taken at 600
  // Marks: 150, 300 and 450 move down a slot, 600's follows them, slot 5 is the shift.
  const auto& marks = rig.Screen().graph.time_marks;
  EXPECT_FALSE(marks_before[0].empty());
  EXPECT_NE(marks_before[1], marks_before[2]);
  EXPECT_EQ(marks[0], marks_before[1]);
  EXPECT_EQ(marks[1], marks_before[2]);
  EXPECT_EQ(marks[2], marks_before[3]);
  EXPECT_FALSE(shift_time.empty());
  EXPECT_EQ(marks[3], shift_time);
  EXPECT_EQ(marks[5], shift_time);
  EXPECT_NE(shift_time, marks_before[3]);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has been Stopped by User. "});
}

TEST(SingleFrequencyTest, TheStripChartShiftsWhenARampStepTakesTheIndexPast600) {
  SingleRig rig;
  screen::SinglePanel& panel = rig.Screen().single;
  panel.start_level.text = "1";
  panel.end_level.text = "10";
  panel.step_size.text = "0.04";
  panel.dwell.text = "8";
  rig.St().ClickAutoIncrease(true);
  ASSERT_TRUE(rig.op.History().empty());

  uint32_t highest_next = 0;
  bool recorded_at_600 = false;
  bool shifted_after = false;
  rig.St().OnRecorded([&](uint32_t index) {
    if (index != 600 || recorded_at_600) return;
    recorded_at_600 = true;
    // The first sample after it finds next index 601 and shifts.
    rig.loop.ScheduleAfter(kFirstSampleMs + 500, [&] {
      shifted_after = rig.St().Results().NextIndex == 451;
    });
  });
  // Next index stays at 601 for seconds: a look every 100 ms sees it.
  bool looking = true;
  std::function<void()> look = [&] {
    highest_next = std::max(highest_next, rig.St().Results().NextIndex);
    if (looking) rig.loop.ScheduleAfter(100, look);
  };
  rig.loop.ScheduleAfter(100, look);
  rig.St().PressRun();
  looking = false;

  ASSERT_TRUE(recorded_at_600);  // the case this test is about happened
  EXPECT_TRUE(shifted_after);
  EXPECT_EQ(highest_next, 601U);
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});
}

}  // namespace
}  // namespace tarvos::scenarios
