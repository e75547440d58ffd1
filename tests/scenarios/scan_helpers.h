#pragma once

// What the scan scenarios share: reading the level commands off the synthesiser's
// packets, typing a scan into the setup panel, and a watch that looks at the station
// every millisecond of virtual time, as a window timer would, to act at a given phase.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/result_operations.h"
#include "engine/run_state.h"
#include "link/tick_timer.h"
#include "platform/event_loop.h"
#include "scenarios/station_rig.h"
#include "sim/simulated_test_set.h"

namespace tarvos::scenarios {

inline constexpr uint8_t kSynthInstance = 0;  // on the benches used here
inline constexpr uint32_t kAmLine = 1U << 11;
inline constexpr uint32_t kEutPromptLine = 1U << 12;
inline constexpr uint64_t kTickMs = link::kTickMs;

// One "0B,41,..." packet: mode byte, DAC value and level set point.
struct LevelCommand {
  uint8_t Mode = 0;
  uint16_t Dac = 0;
  uint16_t SetPoint = 0;
  bool operator==(const LevelCommand&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const LevelCommand& command) {
  return out << "{mode " << std::hex << int{command.Mode} << std::dec << ", dac "
             << command.Dac << ", set point " << command.SetPoint << "}";
}

inline std::optional<LevelCommand> AsLevelCommand(const sim::Packet& packet) {
  if (packet.size() != 12 || packet[0] != 0x0B || packet[1] != 0x41) return std::nullopt;
  return LevelCommand{packet[2], static_cast<uint16_t>((packet[5] << 8) | packet[6]),
                      static_cast<uint16_t>((packet[9] << 8) | packet[10])};
}

inline std::vector<LevelCommand> LevelCommands(const std::vector<sim::Packet>& packets) {
  std::vector<LevelCommand> commands;
  for (const auto& packet : packets) {
    if (auto command = AsLevelCommand(packet)) commands.push_back(*command);
  }
  return commands;
}

inline bool PacketIs(const sim::Packet& packet, std::initializer_list<uint8_t> bytes) {
  return std::equal(packet.begin(), packet.end(), bytes.begin(), bytes.end());
}

inline int CountPackets(const std::vector<sim::Packet>& packets,
                        std::initializer_list<uint8_t> bytes) {
  int count = 0;
  for (const auto& packet : packets) count += PacketIs(packet, bytes) ? 1 : 0;
  return count;
}

inline bool IsFrequencyCommand(const sim::Packet& packet) {
  return packet.size() == 8 && packet[0] == 0x07 && packet[1] == 0x40;
}

inline constexpr LevelCommand kFieldOff{0x81, 0, 0};

// The synthesiser's packets sent after the last level command with a set point: how the
// run left the field. Empty when the last level command still drives the field.
inline std::vector<LevelCommand> CommandsAfterLastDrive(const std::vector<sim::Packet>& packets) {
  const auto commands = LevelCommands(packets);
  std::size_t last_drive = commands.size();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (commands[i].SetPoint != 0) last_drive = i;
  }
  if (last_drive == commands.size()) return commands;
  return {commands.begin() + static_cast<std::ptrdiff_t>(last_drive) + 1, commands.end()};
}

// Types a standard scan into the setup panel and leaves the field.
struct ScanEntry {
  std::string Start = "100";
  std::string Finish = "110";
  std::string Step = "5";
  std::string Field = "3";
  std::string Dwell = "1";
};

inline void EnterStandardScan(StationRig& rig, const ScanEntry& entry = {}) {
  auto& panel = rig.Screen().setup;
  panel.start.text = entry.Start;
  panel.finish.text = entry.Finish;
  panel.step.text = entry.Step;
  panel.field.text = entry.Field;
  panel.dwell.text = entry.Dwell;
  rig.St().LeaveSetupField();
}

// A started rig with a small standard scan entered (100, 105 and 110 MHz at 3 V/m, 1 s
// dwell) and the start-up messages taken.
inline void PrepareSmallScan(StationRig& rig, const ScanEntry& entry = {}) {
  rig.StartUp();
  ASSERT_TRUE(rig.St().StartedUp());
  EnterStandardScan(rig, entry);
  ASSERT_TRUE(rig.St().Validation().SetupValid);
  rig.TakeTexts();
  rig.sim.ClearPackets();
}

// A started rig in single-frequency mode at 100 MHz and 3 V/m, the messages taken: RUN
// starts a strip chart that goes on until STOP.
inline void PrepareStripChart(StationRig& rig) {
  rig.StartUp();
  rig.St().PressSinglePoint();
  rig.Screen().single.frequency.text = "100";
  rig.Screen().single.level.text = "3";
  rig.St().LeaveSetupField();
  rig.TakeTexts();
}

// A safety net for runs that a fault would leave going for ever: STOP after the time.
inline void StopAfter(StationRig& rig, uint64_t ms) {
  rig.loop.ScheduleAfter(ms, [&rig] {
    if (rig.St().Run().Running) {
      ADD_FAILURE() << "the run was still going; stopped";
      rig.St().PressRun();
    }
  });
}

// A phase the sequencer was seen in, and from when.
struct PhaseMark {
  engine::RunPhase Phase = engine::RunPhase::Idle;
  uint64_t AtMs = 0;
  uint32_t NextIndex = 0;
};

// Looks at the station at every millisecond of virtual time while anything pumps, the
// way a window timer's handler runs inside the sequencer's waits. Records the phases
// seen and runs actions once their condition holds. Must not outlive the rig.
class Watch {
 public:
  explicit Watch(StationRig& rig) : rig_(rig), timer_(rig.loop.CreateTimer()) {
    timer_->SetInterval(1);
    timer_->SetCallback([this] { Look(); });
    timer_->SetEnabled(true);
  }

  // Runs the action the first time the condition holds.
  void When(std::function<bool()> condition, std::function<void()> action) {
    once_.push_back({std::move(condition), std::move(action), false});
  }
  // Runs the action at the first look in the phase while next index has the value.
  void AtPhase(engine::RunPhase phase, uint32_t next_index, std::function<void()> action) {
    When(
        [this, phase, next_index] {
          return rig_.St().Run().Phase == phase && rig_.St().Results().NextIndex == next_index;
        },
        std::move(action));
  }
  // Runs at every look.
  void Every(std::function<void()> action) { every_.push_back(std::move(action)); }

  const std::vector<PhaseMark>& Phases() const { return phases_; }
  // When the phase was first seen with next index at the value.
  std::optional<uint64_t> FirstSeen(engine::RunPhase phase, uint32_t next_index) const {
    for (const auto& mark : phases_) {
      if (mark.Phase == phase && mark.NextIndex == next_index) return mark.AtMs;
    }
    return std::nullopt;
  }
  bool Seen(engine::RunPhase phase) const {
    for (const auto& mark : phases_) {
      if (mark.Phase == phase) return true;
    }
    return false;
  }
  bool AllFired() const {
    for (const auto& entry : once_) {
      if (!entry.Done) return false;
    }
    return true;
  }
  void Stop() { timer_->SetEnabled(false); }

 private:
  struct Once {
    std::function<bool()> Condition;
    std::function<void()> Action;
    bool Done = false;
  };

  void Look() {
    // An action that pumps would bring the watch back in: it looks once at a time.
    if (looking_) return;
    looking_ = true;
    const auto& run = rig_.St().Run();
    const uint32_t next_index = rig_.St().Results().NextIndex;
    if (phases_.empty() || phases_.back().Phase != run.Phase ||
        phases_.back().NextIndex != next_index) {
      phases_.push_back({run.Phase, rig_.loop.ClockMs(), next_index});
    }
    for (auto& action : every_) action();
    for (auto& entry : once_) {
      if (!entry.Done && entry.Condition()) {
        entry.Done = true;
        entry.Action();
      }
    }
    looking_ = false;
  }

  StationRig& rig_;
  std::unique_ptr<platform::Timer> timer_;
  std::vector<PhaseMark> phases_;
  std::vector<Once> once_;
  std::vector<std::function<void()>> every_;
  bool looking_ = false;
};

}  // namespace tarvos::scenarios
