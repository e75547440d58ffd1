// Every fault of the simulated test set, injected as a standard scan, a pre-scan and a
// single-frequency test enter each of their phases. Each case checks the boxes and
// questions the operator is shown, the end of the run, the lamps, that the field is off and
// the amplifiers are disconnected (or that the operator was told why they could not be),
// that the results recorded before the fault are kept, and that once the fault is cleared
// the next run goes to its normal end.
//
// The scan is 995, 998.98 and 1000 MHz at 3 V/m: the last step needs amplifier 2, so the
// Salvo unit is asked to switch in the middle of the run as well as at its start and end.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"

namespace tarvos::scenarios {
namespace {

using engine::EndReason;
using engine::RunPhase;
using platform::MessageKind;
using screen::LampColour;

enum class Fault {
  SynthShortWrite,       // one write to the synthesiser comes out a byte short
  SynthLost,             // three in a row: the third marks the synthesiser absent
  SynthShortReads,       // five reads come back a byte short
  SynthPortWrite,        // one write of the output lines fails
  SynthUnplugged,        // the synthesiser's adapter is pulled out
  SynthSerialAndConfig,  // serial number and port configuration calls fail
  Amplifier,             // the amplifier fault bit in every status
  RangeMismatch,         // every status reports the other range
  CannotReachYes,        // the loop saturates; the operator abandons the test
  CannotReachNo,         // the same; the operator goes on (and the fault clears)
  SalvoManual,
  SalvoWrongAmplifier,
  SalvoShortWrite,
  SalvoShortReads,
  SalvoUnplugged,
};

constexpr Fault kFaults[] = {
    Fault::SynthShortWrite, Fault::SynthLost,       Fault::SynthShortReads,
    Fault::SynthPortWrite,  Fault::SynthUnplugged,  Fault::SynthSerialAndConfig,
    Fault::Amplifier,       Fault::RangeMismatch,   Fault::CannotReachYes,
    Fault::CannotReachNo,   Fault::SalvoManual,     Fault::SalvoWrongAmplifier,
    Fault::SalvoShortWrite, Fault::SalvoShortReads, Fault::SalvoUnplugged,
};

std::string_view FaultName(Fault fault) {
  switch (fault) {
    case Fault::SynthShortWrite:
      return "SynthShortWrite";
    case Fault::SynthLost:
      return "SynthLost";
    case Fault::SynthShortReads:
      return "SynthShortReads";
    case Fault::SynthPortWrite:
      return "SynthPortWrite";
    case Fault::SynthUnplugged:
      return "SynthUnplugged";
    case Fault::SynthSerialAndConfig:
      return "SynthSerialAndConfig";
    case Fault::Amplifier:
      return "Amplifier";
    case Fault::RangeMismatch:
      return "RangeMismatch";
    case Fault::CannotReachYes:
      return "CannotReachYes";
    case Fault::CannotReachNo:
      return "CannotReachNo";
    case Fault::SalvoManual:
      return "SalvoManual";
    case Fault::SalvoWrongAmplifier:
      return "SalvoWrongAmplifier";
    case Fault::SalvoShortWrite:
      return "SalvoShortWrite";
    case Fault::SalvoShortReads:
      return "SalvoShortReads";
    case Fault::SalvoUnplugged:
      return "SalvoUnplugged";
  }
  return "";
}

void Inject(Fault fault, sim::FaultPlan& plan) {
  switch (fault) {
    case Fault::SynthShortWrite:
      plan.Synth.ShortWrites = 1;
      break;
    case Fault::SynthLost:
      plan.Synth.ShortWrites = 3;
      break;
    case Fault::SynthShortReads:
      plan.Synth.ShortReads = 5;
      break;
    case Fault::SynthPortWrite:
      plan.Synth.FailingPortWrites = 1;
      break;
    case Fault::SynthUnplugged:
      plan.Synth.Unplugged = true;
      break;
    case Fault::SynthSerialAndConfig:
      plan.Synth.SerialFails = plan.Synth.ConfigFails = true;
      break;
    case Fault::Amplifier:
      plan.Synth.AmplifierFault = true;
      break;
    case Fault::RangeMismatch:
      plan.Synth.RangeMismatch = true;
      break;
    case Fault::CannotReachYes:
    case Fault::CannotReachNo:
      plan.Synth.UnreachableSetPoint = true;
      break;
    case Fault::SalvoManual:
      plan.Salvo.ManualMode = true;
      break;
    case Fault::SalvoWrongAmplifier:
      plan.Salvo.WrongAmplifier = true;
      break;
    case Fault::SalvoShortWrite:
      plan.Salvo.ShortWrites = 1;
      break;
    case Fault::SalvoShortReads:
      plan.Salvo.ShortReads = 1;
      break;
    case Fault::SalvoUnplugged:
      plan.Salvo.Unplugged = true;
      break;
  }
}

// --- where the fault comes in

enum class RunKind { Scan, PreScan, Single };

struct Where {
  RunKind Kind;
  RunPhase Phase;
  uint32_t NextIndex;  // the next index when the phase is entered
  std::string_view Name;
};

// In a scan, entering a step's phases the next index is the step's number, except for its
// dwell, which follows the record. In the single-frequency test the fault comes as the
// field is first levelled, in the dwell once the strip chart has taken two samples, and at
// the retune that a frequency step starts there.
constexpr Where kScanPhases[] = {
    {RunKind::Scan, RunPhase::Start, 1, "Start"},
    {RunKind::Scan, RunPhase::NextStep, 2, "NextStep"},
    {RunKind::Scan, RunPhase::Levelling, 2, "Levelling"},
    {RunKind::Scan, RunPhase::Confirm, 2, "Confirm"},
    {RunKind::Scan, RunPhase::ReadBack, 2, "ReadBack"},
    {RunKind::Scan, RunPhase::Record, 2, "Record"},
    {RunKind::Scan, RunPhase::Dwell, 3, "Dwell"},
    {RunKind::Scan, RunPhase::End, 4, "End"},
};
constexpr Where kPreScanPhases[] = {
    {RunKind::PreScan, RunPhase::Start, 1, "Start"},
    {RunKind::PreScan, RunPhase::NextStep, 2, "NextStep"},
    {RunKind::PreScan, RunPhase::Levelling, 2, "Levelling"},
    {RunKind::PreScan, RunPhase::Confirm, 2, "Confirm"},
    {RunKind::PreScan, RunPhase::ReadBack, 2, "ReadBack"},
    {RunKind::PreScan, RunPhase::Record, 2, "Record"},
    {RunKind::PreScan, RunPhase::End, 4, "End"},
};
constexpr uint32_t kRetuneAt = 4;      // next index in the dwell when frequency up is pressed
constexpr uint32_t kSingleStopAt = 8;  // the operator stops the single-frequency test here
constexpr Where kSinglePhases[] = {
    {RunKind::Single, RunPhase::Levelling, 1, "Levelling"},
    {RunKind::Single, RunPhase::Dwell, 4, "StripChart"},
    {RunKind::Single, RunPhase::NextStep, kRetuneAt - 1, "Retune"},
};

// --- what the operator is shown

constexpr std::string_view kRunEnded = "The Run has Ended. ";
constexpr std::string_view kPreScanEnded = "The Pre-Scan has Ended. ";
constexpr std::string_view kStopped = "The Run has been Stopped by User. ";
constexpr std::string_view kPaError = "PA STATUS ERROR. Run Stopped. ";
constexpr std::string_view kRangeError = "RANGE CHANGE ERROR. Run Stopped";
constexpr std::string_view kHardwareFault = "HARDWARE FAULT. Run Stopped. ";
constexpr std::string_view kCannotReach = "Tarvos Cannot Reach Set Point. Abandon Test ?";
constexpr std::string_view kOverwrite = "Overwrite Existing Pre-Scan Data ?";
constexpr std::string_view kI2cFault1 = "Tarvos Fault : I2C Write Error. #1";
constexpr std::string_view kI2cFault2 = "Tarvos Fault : I2C Write Error. #2";
constexpr std::string_view kPortFault1 = "Tarvos Fault : Write Error. #1";
constexpr std::string_view kPortFault2 = "Tarvos Fault : Write Error. #2";
constexpr std::string_view kSalvoWrite = "Salvo Fault : I2C Write Error.";
constexpr std::string_view kSalvoRange = "Salvo Fault : Salvo Range Error.";
constexpr std::string_view kSalvoManual = "Salvo Fault : Salvo Set to Manual Mode.";
constexpr std::string_view kSalvoToAuto = "Stop Test and switch Salvo to Auto";

MessageKind KindOf(std::string_view text) {
  if (text == kRunEnded || text == kPreScanEnded || text == kStopped) {
    return MessageKind::Information;
  }
  if (text == kCannotReach || text == kOverwrite) return MessageKind::Confirmation;
  return MessageKind::Warning;  // faults, run-stopping errors and the Salvo prompt
}

std::string_view NormalEnd(RunKind test) {
  switch (test) {
    case RunKind::Scan:
      return kRunEnded;
    case RunKind::PreScan:
      return kPreScanEnded;
    case RunKind::Single:
      return kStopped;
  }
  return {};
}

EndReason NormalReason(RunKind test) {
  switch (test) {
    case RunKind::Scan:
      return EndReason::Completed;
    case RunKind::PreScan:
      return EndReason::PreScanCompleted;
    case RunKind::Single:
      return EndReason::StoppedByUser;  // it has no end of its own
  }
  return EndReason::Completed;
}

// The levels the results hold, one character per entry: '3' levelled to 3 V/m, '0' no field
// (a fault latched the set point at 0 before the step was levelled), '+' above the target
// (the loop was overdriving when the reading was taken).
constexpr std::string_view kAllScan = "333";
constexpr std::string_view kAllSingle = "3333333";

std::string_view AllLevelled(RunKind test) {
  return test == RunKind::Single ? kAllSingle : kAllScan;
}

// What a case must show.
struct Expect {
  std::vector<std::string_view> Texts;  // every box and question, in order
  EndReason Reason = EndReason::Completed;
  std::string_view Levels;
  bool Disconnected = true;   // the amplifiers are off at the end
  bool SynthLost = false;     // the synthesiser is marked absent
  bool FieldOffTaken = true;  // the synthesiser took the end's field-off command
};

// The run carries on to its normal end, with these boxes first.
Expect CarriesOn(RunKind test, std::vector<std::string_view> boxes, std::string_view levels) {
  boxes.push_back(NormalEnd(test));
  return {boxes, NormalReason(test), levels};
}

// The run ends at the fault with this message, keeping what was recorded before it.
Expect EndsWith(std::vector<std::string_view> texts, EndReason reason, std::string_view levels) {
  return {texts, reason, levels};
}

// The levels a fault that ends the run leaves: what was recorded when it came, and the step
// recorded in the pass that took its first report (one report is not enough to stop).
std::string_view KeptByStop(const Where& where) {
  if (where.Kind == RunKind::Single) {
    if (where.Phase == RunPhase::Levelling) return "";
    return where.Phase == RunPhase::Dwell ? "333" : "33";
  }
  switch (where.Phase) {
    case RunPhase::Start:
      return "";
    case RunPhase::Record:
    case RunPhase::Dwell:
      return "33";
    case RunPhase::End:
      return "333";
    default:
      return "3";
  }
}

Expect Expected(Fault fault, const Where& where) {
  const RunKind test = where.Kind;
  const RunPhase phase = where.Phase;
  const bool single = test == RunKind::Single;
  const bool at_start = phase == RunPhase::Start;
  const bool at_end = phase == RunPhase::End;
  switch (fault) {
    case Fault::SynthShortWrite: {
      // The synthesiser misses one command; the fault latches the set point at 0, so the
      // steps levelled after it get no field.
      if (at_start) {
        // The frequency command was the short one: the synthesiser stays in the other
        // range, which ends the run.
        return EndsWith({kI2cFault1, kRangeError}, EndReason::RangeError, "");
      }
      if (single) {
        // Missing the confirmation or a strip-chart request, the loop holds its DAC value.
        return CarriesOn(test, {kI2cFault1}, phase == RunPhase::NextStep ? "3300000" : kAllSingle);
      }
      switch (phase) {
        case RunPhase::NextStep:
          return CarriesOn(test, {kI2cFault1}, "300");
        case RunPhase::End:
          return CarriesOn(test, {kI2cFault1}, kAllScan);  // sent again
        default:
          return CarriesOn(test, {kI2cFault1}, "330");
      }
    }
    case Fault::SynthLost: {
      if (at_start) {
        auto expect = EndsWith({kI2cFault1, kI2cFault2, kRangeError}, EndReason::RangeError, "");
        expect.SynthLost = true;  // by the third short write: the first field-off try
        return expect;
      }
      if (at_end) {
        // In a scan the field-off command is tried three times, all short, and the drive-off
        // before the Salvo unit disconnects gets through. A pre-scan's end saves the
        // pre-scan first, whose version requests take the three short writes.
        auto expect = CarriesOn(test, {kI2cFault1, kI2cFault2}, kAllScan);
        expect.SynthLost = true;
        expect.FieldOffTaken = test == RunKind::PreScan;
        return expect;
      }
      std::string_view levels = KeptByStop(where);
      if (single && phase == RunPhase::Dwell) levels = "333333";  // three more requests
      auto expect =
          EndsWith({kI2cFault1, kI2cFault2, kHardwareFault}, EndReason::HardwareFault, levels);
      expect.SynthLost = true;
      return expect;
    }
    case Fault::SynthShortReads:
    case Fault::SynthSerialAndConfig:
      // Lost reads are dropped and read again; serial numbers and port configuration are
      // asked for only at start-up.
      return CarriesOn(test, {}, AllLevelled(test));
    case Fault::SynthPortWrite: {
      // The next write of the output lines (at the latest the EUT prompt line at the end of
      // the pass) fails and latches the set point at 0.
      if (single) {
        if (phase == RunPhase::Levelling) return CarriesOn(test, {kPortFault1}, "0000000");
        if (phase == RunPhase::NextStep) return CarriesOn(test, {kPortFault1}, "3300000");
        return CarriesOn(test, {kPortFault1}, kAllSingle);
      }
      switch (phase) {
        case RunPhase::Start:
          return CarriesOn(test, {kPortFault1}, "000");
        case RunPhase::NextStep:
        case RunPhase::Levelling:
        case RunPhase::Confirm:
          return CarriesOn(test, {kPortFault1}, "300");
        case RunPhase::End:
          return CarriesOn(test, {kPortFault1}, kAllScan);
        default:
          return CarriesOn(test, {kPortFault1}, "330");  // read back before the pass ended
      }
    }
    case Fault::SynthUnplugged: {
      // Nothing reaches the synthesiser any more: the field can only be cut by disconnecting
      // the amplifiers, which the Salvo unit still does.
      std::vector<std::string_view> faults = {kPortFault1, kPortFault2};
      if (phase == RunPhase::ReadBack) faults = {kI2cFault1, kPortFault2};
      if (phase == RunPhase::Record && test == RunKind::Scan) faults = {kPortFault1, kI2cFault2};
      if (at_end) faults = {kI2cFault1, kI2cFault2};
      Expect expect = at_end ? CarriesOn(test, faults, kAllScan)
                             : EndsWith({faults[0], faults[1], kHardwareFault},
                                        EndReason::HardwareFault, KeptByStop(where));
      expect.SynthLost = true;
      return expect;
    }
    case Fault::Amplifier:
    case Fault::RangeMismatch: {
      // Two reports in a row stop the run; at its end there is no second one.
      if (at_end) return CarriesOn(test, {}, kAllScan);
      if (fault == Fault::Amplifier) {
        return EndsWith({kPaError}, EndReason::AmplifierFault, KeptByStop(where));
      }
      return EndsWith({kRangeError}, EndReason::RangeError, KeptByStop(where));
    }
    case Fault::CannotReachYes: {
      // Asked when the loop gives up, which it does only while it levels: not in a dwell,
      // which holds a DAC value, nor after the last step. From a scan's dwell the next step
      // asks.
      if (at_end) return CarriesOn(test, {}, kAllScan);
      if (single && phase == RunPhase::Dwell) return CarriesOn(test, {}, kAllSingle);
      return EndsWith({kCannotReach, kStopped}, EndReason::StoppedByUser, KeptByStop(where));
    }
    case Fault::CannotReachNo: {
      // No gives the step that cannot be levelled up and goes on with the next one: the
      // first step at Start, the second from NextStep to Confirm, the third (the last)
      // from the second's Record on. A single frequency is levelled again.
      if (at_end) return CarriesOn(test, {}, kAllScan);
      if (single) {
        if (phase == RunPhase::Dwell) return CarriesOn(test, {}, kAllSingle);
        return CarriesOn(test, {kCannotReach}, kAllSingle);
      }
      // At ReadBack the reading was taken while the loop overdrove: the step is recorded
      // as measured, and the question comes after it.
      return CarriesOn(test, {kCannotReach}, phase == RunPhase::ReadBack ? "3+3" : "33");
    }
    case Fault::SalvoManual:
    case Fault::SalvoWrongAmplifier:
    case Fault::SalvoShortWrite:
    case Fault::SalvoUnplugged:
    case Fault::SalvoShortReads: {
      // The Salvo unit is spoken to only when the amplifier changes: at the switch to
      // amplifier 2 for the last step of a scan and at the end of the run. A Salvo fault
      // latches the set point at 0, so that last step gets no field, and makes the program
      // forget the selection, so that the next frequency command selects again.
      if (fault == Fault::SalvoShortReads) return CarriesOn(test, {}, AllLevelled(test));
      const bool at_switch = !single && !at_end;
      const std::string_view levels = at_switch ? "330" : AllLevelled(test);
      Expect expect;
      switch (fault) {
        case Fault::SalvoManual:
          // Every time: at the switch, again at the next frequency command, and at the end.
          expect = CarriesOn(
              test,
              at_switch ? std::vector<std::string_view>{kSalvoManual, kSalvoToAuto, kSalvoManual,
                                                        kSalvoToAuto, kSalvoManual, kSalvoToAuto}
                        : std::vector<std::string_view>{kSalvoManual, kSalvoToAuto},
              levels);
          break;
        case Fault::SalvoWrongAmplifier:
          expect = CarriesOn(
              test,
              at_switch ? std::vector<std::string_view>{kSalvoRange, kSalvoRange, kSalvoRange}
                        : std::vector<std::string_view>{kSalvoRange},
              levels);
          break;
        case Fault::SalvoShortWrite:
          // The missed selection is reported, and then the state that does not match it.
          expect = CarriesOn(test, {kSalvoWrite, kSalvoRange}, levels);
          // Missed at the switch, it is sent again by the next frequency command and the end
          // disconnects; missed at the end, the amplifier stays connected.
          expect.Disconnected = at_switch;
          return expect;
        case Fault::SalvoUnplugged:
          // Both writes of every change are reported: at the switch, at the next frequency
          // command and at the end.
          expect = CarriesOn(test, std::vector<std::string_view>(at_switch ? 6 : 2, kSalvoWrite),
                             levels);
          break;
        default:
          break;
      }
      // The unit does not follow the selection: the field is cut by the synthesiser only.
      expect.Disconnected = false;
      return expect;
    }
  }
  return {};
}

// --- the rig

class FaultMatrixRig {
 public:
  explicit FaultMatrixRig(RunKind test) : test_(test) { Prepare(); }

  StationRig& Rig() { return rig_; }
  station::Station& St() { return rig_.St(); }

  // The program closed and started again on the same test set, as after a power cycle.
  void Restart() {
    rig_.station.reset();
    rig_.op.QueueInput("10");
    rig_.station = std::make_unique<station::Station>(station::StationParts{
        rig_.loop, rig_.sim, rig_.op, rig_.folder.Path(), [this] { return rig_.now; }});
    Prepare();
  }

  // Runs the test to its end; the single-frequency test is stopped by the operator once
  // the strip chart has run on.
  void Run() {
    StopAfter(rig_, 600'000);
    if (test_ == RunKind::PreScan) {
      St().PressPreScan();
    } else {
      St().PressRun();
    }
  }

  // A single-frequency test gets a frequency step in the dwell, and a STOP later on.
  void ScriptSingle(Watch& watch, bool retune) {
    if (test_ != RunKind::Single) return;
    if (retune) watch.AtPhase(RunPhase::Dwell, kRetuneAt, [this] { St().PressFrequencyUp(); });
    watch.When(
        [this] {
          return St().Run().Phase == RunPhase::Dwell && St().Results().NextIndex >= kSingleStopAt;
        },
        [this] { St().PressRun(); });
  }

 private:
  void Prepare() {
    rig_.StartUp();
    ASSERT_TRUE(St().StartedUp());
    // The amplifier fault bit is heeded only with these amplifiers.
    St().ChooseAmplifierConfig(1);
    if (test_ == RunKind::Single) {
      St().PressSinglePoint();
      rig_.Screen().single.frequency.text = "100";
      rig_.Screen().single.level.text = "3";
      St().LeaveSetupField();
    } else {
      EnterStandardScan(rig_, {"995", "1000", "0.4", "3", "1"});
    }
    ASSERT_TRUE(St().Validation().SetupValid);
    rig_.TakeTexts();
    rig_.sim.ClearPackets();
  }

  RunKind test_;
  StationRig rig_;
};

std::string LevelsOf(const engine::ResultStore& results) {
  std::string levels;
  for (uint32_t i = 1; i < results.NextIndex; ++i) {
    const double level = results.Entries[i].Level;
    if (level == 0.0) {
      levels += '0';
    } else if (std::abs(level - 3.0) < 0.1) {
      levels += '3';
    } else if (level > 3.0) {
      levels += '+';
    } else {
      levels += '?';
    }
  }
  return levels;
}

std::vector<std::string> Strings(const std::vector<std::string_view>& texts) {
  return {texts.begin(), texts.end()};
}

// The state every end of a run leaves, whatever ended it.
void ExpectEndedSafely(StationRig& rig, bool synth_lost, bool disconnected,
                       bool field_off_taken = true) {
  station::Station& st = rig.St();
  EXPECT_EQ(st.Run().Phase, RunPhase::Idle);
  EXPECT_FALSE(st.Run().Running);
  EXPECT_FALSE(st.Run().PreScanRunning);
  EXPECT_EQ(rig.Screen().buttons.run.caption, "RUN");
  EXPECT_EQ(rig.Screen().buttons.pre_scan.caption, "PRE-SCAN");
  EXPECT_EQ(rig.Screen().buttons.dwell.caption, "DWELL");

  // No field in the cell, and the program's last word to the synthesiser was to cut it.
  const sim::SynthState synth = rig.sim.Synth();
  EXPECT_EQ(synth.FieldVm, 0.0);
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  ASSERT_FALSE(commands.empty());
  if (!rig.sim.Faults().Synth.Unplugged) {
    const LevelCommand last = commands.back();
    EXPECT_EQ(last.SetPoint, 0) << last;
    EXPECT_TRUE(last.Mode == 0x82 || last.Dac == 0) << last;
    const auto after = CommandsAfterLastDrive(rig.sim.SynthPackets());
    EXPECT_EQ(std::find(after.begin(), after.end(), kFieldOff) != after.end(), field_off_taken);
    EXPECT_EQ(synth.Dac, 0);
  }
  if (disconnected) {
    EXPECT_EQ(rig.sim.ConnectedAmplifier(), sim::Amplifier::kNone);
    EXPECT_EQ(rig.sim.Salvo().Selection, sim::kSelectNone);
  } else {
    // The unit did not follow; the operator was told (the expected boxes say how).
    EXPECT_NE(rig.sim.ConnectedAmplifier(), sim::Amplifier::kNone);
  }

  const screen::Lamps& lamps = rig.Screen().lamps;
  EXPECT_EQ(lamps.hardware, synth_lost ? LampColour::Red : LampColour::Off);
  if (!synth_lost) {
    EXPECT_EQ(lamps.ready, LampColour::Green);
    EXPECT_EQ(lamps.standby, LampColour::Green);
    EXPECT_EQ(lamps.running, LampColour::Off);
    EXPECT_EQ(lamps.settling, LampColour::Off);
    EXPECT_EQ(lamps.modulation, LampColour::Off);
    EXPECT_EQ(lamps.eut_prompt, LampColour::Off);
  }
  // Without a synthesiser nothing can be started; with it, everything can.
  EXPECT_EQ(rig.Screen().buttons.run.enabled, !synth_lost);
  EXPECT_EQ(st.Link().SynthPresent, !synth_lost);
}

// --- the matrix

struct Case {
  Fault Injected;
  Where At;
};

void PrintTo(const Case& c, std::ostream* out) {
  static constexpr std::string_view kKinds[] = {"scan", "pre-scan", "single frequency"};
  *out << FaultName(c.Injected) << " in the " << kKinds[static_cast<int>(c.At.Kind)] << " at "
       << c.At.Name;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(FaultName(info.param.Injected)) + "_" + std::string(info.param.At.Name);
}

std::vector<Case> Cases(std::span<const Where> wheres) {
  std::vector<Case> cases;
  for (Fault fault : kFaults) {
    for (const Where& where : wheres) cases.push_back({fault, where});
  }
  return cases;
}

class FaultMatrixTest : public ::testing::TestWithParam<Case> {
 protected:
  // The program folders go to memory where the system has a folder there: every recorded
  // step saves the recovery file and syncs it to disk, and these cases are about faults,
  // not disks. The saves take the same path either way.
  static void SetUpTestSuite() {
    const char* before = std::getenv("TMPDIR");
    saved_tmpdir_ = before == nullptr ? std::nullopt : std::optional<std::string>(before);
    std::error_code error;
    if (std::filesystem::is_directory(kMemoryFolder, error)) {
      testing_support::SetEnvironment("TMPDIR", kMemoryFolder);
    }
  }
  static void TearDownTestSuite() {
    testing_support::SetEnvironment("TMPDIR", saved_tmpdir_ ? saved_tmpdir_->c_str() : nullptr);
  }

 private:
  static constexpr const char* kMemoryFolder = "/dev/shm";
  static inline std::optional<std::string> saved_tmpdir_;
};

TEST_P(FaultMatrixTest, EndsSafelyKeepsTheResultsAndTheNextRunCompletes) {
  const Fault fault = GetParam().Injected;
  const Where where = GetParam().At;
  const Expect expect = Expected(fault, where);
  FaultMatrixRig matrix(where.Kind);
  StationRig& rig = matrix.Rig();

  std::vector<EndReason> reasons;
  matrix.St().OnRunEnded([&](EndReason reason) { reasons.push_back(reason); });
  if (fault == Fault::CannotReachYes) rig.op.QueueAnswer(true);
  // The hardware lamp is red while each synthesiser fault is on screen.
  std::vector<LampColour> lamp_at_fault;
  rig.op.SetWhileOpen([&](const platform::ScriptedOperator::Shown& shown) {
    if (shown.Text.starts_with("Tarvos Fault : "))
      lamp_at_fault.push_back(rig.Screen().lamps.hardware);
    if (fault == Fault::CannotReachNo && shown.Text == kCannotReach) {
      rig.sim.Faults().Synth.UnreachableSetPoint = false;
    }
  });

  Watch watch(rig);
  bool injected = false;
  std::vector<engine::ResultPoint> before;
  watch.AtPhase(where.Phase, where.NextIndex, [&] {
    injected = true;
    const auto& results = matrix.St().Results();
    before.assign(results.Entries.begin() + 1, results.Entries.begin() + results.NextIndex);
    Inject(fault, rig.sim.Faults());
  });
  matrix.ScriptSingle(watch, where.Name == "Retune");
  matrix.Run();
  watch.Stop();
  ASSERT_TRUE(injected);

  // What the operator was shown, and how the run ended.
  EXPECT_EQ(rig.op.Texts(), Strings(expect.Texts));
  for (const auto& shown : rig.op.History()) {
    EXPECT_EQ(shown.Kind, KindOf(shown.Text)) << shown.Text;
  }
  EXPECT_EQ(reasons, std::vector<EndReason>{expect.Reason});
  EXPECT_EQ(rig.loop.Beeps(), 1);
  EXPECT_EQ(lamp_at_fault, std::vector<LampColour>(lamp_at_fault.size(), LampColour::Red));
  EXPECT_EQ(rig.Screen().lamps.pa,
            expect.Reason == EndReason::AmplifierFault ? LampColour::Red : LampColour::Off);
  ExpectEndedSafely(rig, expect.SynthLost, expect.Disconnected, expect.FieldOffTaken);

  // The results recorded before the fault are kept as they were.
  const engine::ResultStore& results = matrix.St().Results();
  EXPECT_EQ(LevelsOf(results), expect.Levels);
  ASSERT_LE(before.size() + 1, results.NextIndex);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(results.Entries[i + 1].Frequency, before[i].Frequency) << i + 1;
    EXPECT_EQ(results.Entries[i + 1].Level, before[i].Level) << i + 1;
  }
  // A pre-scan is kept unless the operator abandoned it.
  if (where.Kind == RunKind::PreScan) {
    const bool kept = expect.Reason != EndReason::StoppedByUser;
    const engine::PreScanTable& table = matrix.St().PreScan();
    EXPECT_EQ(table.Available, kept);
    EXPECT_EQ(rig.folder.Has(station::kTempPreScanFile), kept);
    for (uint32_t i = 1; kept && i < results.NextIndex; ++i) {
      EXPECT_EQ(table.Entries[i].Frequency, results.Entries[i].Frequency) << i;
      EXPECT_EQ(table.Entries[i].DacValue > 0, results.Entries[i].Level > 0.0) << i;
    }
  }

  // Cleared, the fault leaves the program ready for the next run, which ends normally. A
  // synthesiser marked absent needs the program started again.
  rig.sim.Faults() = {};
  rig.op.SetWhileOpen(nullptr);
  if (expect.SynthLost) {
    EXPECT_FALSE(rig.Screen().buttons.pre_scan.enabled);
    matrix.Restart();
    matrix.St().OnRunEnded([&](EndReason reason) { reasons.push_back(reason); });
  }
  rig.loop.RunFor(station::kStatusPollMs + 100);  // an idle poll sees the good status
  rig.TakeTexts();
  reasons.clear();
  const bool overwrite = where.Kind == RunKind::PreScan && matrix.St().PreScan().Available;
  if (overwrite) rig.op.QueueAnswer(true);
  Watch again(rig);
  matrix.ScriptSingle(again, false);
  matrix.Run();
  again.Stop();
  std::vector<std::string_view> texts;
  if (overwrite) texts.push_back(kOverwrite);
  texts.push_back(NormalEnd(where.Kind));
  EXPECT_EQ(rig.op.Texts(), Strings(texts));
  EXPECT_EQ(reasons, std::vector<EndReason>{NormalReason(where.Kind)});
  EXPECT_EQ(LevelsOf(matrix.St().Results()), AllLevelled(where.Kind));
  EXPECT_EQ(rig.Screen().lamps.pa, LampColour::Off);
  ExpectEndedSafely(rig, false, true);
}

// Without a Salvo unit nothing else cuts the field at the end: a field-off command that
// comes out short is sent again.
TEST(FieldOffTest, AShortFieldOffCommandIsSentAgainWithoutASalvoUnit) {
  StationRig rig("fennix");
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::End, 4, [&] { rig.sim.Faults().Synth.ShortWrites = 1; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  EXPECT_EQ(rig.op.Texts(), Strings({"Connect Power Amplifier 1", kI2cFault1,
                                     "Disconnect Power Amplifiers", kRunEnded}));
  // The amplifier is still connected by hand: only the synthesiser can cut the field.
  EXPECT_EQ(rig.sim.ConnectedAmplifier(), sim::Amplifier::kAmplifier1);
  EXPECT_EQ(rig.sim.Synth().FieldVm, 0.0);
  EXPECT_EQ(rig.sim.Synth().Dac, 0);
  const auto commands = LevelCommands(rig.sim.SynthPackets());
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), kFieldOff);
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 3U);
}

TEST(FieldOffTest, TriesStopOnceTheSynthesiserIsMarkedAbsent) {
  StationRig rig("fennix");
  PrepareSmallScan(rig);
  Watch watch(rig);
  watch.AtPhase(RunPhase::End, 4, [&] { rig.sim.Faults().Synth.Unplugged = true; });
  rig.St().PressRun();
  ASSERT_TRUE(watch.AllFired());
  // Two faults shown, the third marks the synthesiser absent: three tries in all.
  EXPECT_EQ(rig.op.Texts(), Strings({"Connect Power Amplifier 1", kI2cFault1, kI2cFault2,
                                     "Disconnect Power Amplifiers", kRunEnded}));
  EXPECT_FALSE(rig.St().Link().SynthPresent);
  EXPECT_EQ(rig.St().Link().FaultCount, 4);
}

INSTANTIATE_TEST_SUITE_P(Scan, FaultMatrixTest, ::testing::ValuesIn(Cases(kScanPhases)), CaseName);
INSTANTIATE_TEST_SUITE_P(PreScan, FaultMatrixTest, ::testing::ValuesIn(Cases(kPreScanPhases)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(SingleFrequency, FaultMatrixTest,
                         ::testing::ValuesIn(Cases(kSinglePhases)), CaseName);

}  // namespace
}  // namespace tarvos::scenarios
