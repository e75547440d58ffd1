#include "engine/levelling.h"

#include <string>

#include "calib/cell_drive.h"
#include "link/adapter_link.h"
#include "screen/messages.h"
#include "setup/number_forms.h"

namespace tarvos::engine {
namespace {

constexpr uint8_t kEutFaultBit = 0x01;
constexpr uint8_t kAmplifierFaultBit = 0x02;
constexpr uint8_t kBusyBit = 0x10;
constexpr uint8_t kReachedBit = 0x20;
constexpr uint8_t kLowRangeBit = 0x40;
constexpr uint8_t kHighRangeBit = 0x80;
constexpr int kReadingTicks = 5;
constexpr int kSingleDwellTicks = 18;
constexpr double kTargetLimit = 100.0;
// The ramp's last level is compared with a little room for the float steps.
constexpr double kRampTolerance = 1.0001;

std::string Fixed2(double value) { return setup::FormatFixed(value, 0, 2); }


}  // namespace

bool RampGoesOn(const setup::TestSetup& setup, float level) {
  return double{level} <= (double{setup.EndLevel} - double{setup.LevelStep}) * kRampTolerance;
}

uint16_t Levelling::Drive(uint32_t frequency_hz, double level) {
  return calib::CellDrive(context_.Cell, context_.Setup.EndFrequency, frequency_hz, level,
                          context_.Results, context_.Screen, context_.Op);
}

void Levelling::ScanTarget() {
  RunState& run = context_.Run;
  const uint32_t frequency = context_.Setup.CurrentFrequency;
  const double target = context_.Validate.TargetLevelAt(frequency);
  if (target > 0.0 && target < kTargetLimit) {
    run.LevelSetPoint = Drive(frequency, target);
    run.TargetLevel = static_cast<float>(target);
  }
}

void Levelling::IssueLevelCommand(bool with_frequency) {
  setup::TestSetup& setup = context_.Setup;
  RunState& run = context_.Run;
  link::CommandSet& commands = context_.Commands;
  if (with_frequency) commands.SetFrequency(static_cast<float>(setup.CurrentFrequency));

  switch (setup.TestMode) {
    case setup::kStandard:
    case setup::kCustom:
      ScanTarget();
      commands.SetLevel(link::kModeLevel, 0, run.LevelSetPoint);
      context_.Screen.monitor.target = Fixed2(run.TargetLevel);
      break;
    case setup::kPreScanStandard:
    case setup::kPreScanCustom:
      ScanTarget();
      commands.SetLevel(link::kModeHold,
                        context_.PreScan.Entries[EntryIndex(context_.Results.NextIndex)].DacValue,
                        run.LevelSetPoint);
      context_.Screen.monitor.target = Fixed2(run.TargetLevel);
      break;
    case setup::kSingle: {
      const float level = setup.SingleLevel;
      if (setup.AutoIncrease && !RampGoesOn(setup, level)) {
        // Past the ramp's end: nothing more is sent.
        run.StopRequested = true;
        run.Phase = RunPhase::End;
      } else {
        run.LevelSetPoint = Drive(setup.CurrentFrequency, level);
        run.TargetLevel = level;
        commands.SetLevel(link::kModeLevel, 0, run.LevelSetPoint);
        if (setup.AutoIncrease) context_.Screen.monitor.target = Fixed2(level);
      }
      context_.Timers.Dwell.Start(kSingleDwellTicks);
      break;
    }
    default:
      break;
  }
}

void Levelling::ReadLevel() {
  link::AdapterAccess& access = context_.Access;
  access.TickWait(kReadingTicks, true);
  access.Link().DacValue = 0;
  access.SendSynth("03,21,00,04");
  access.TickWait(kReadingTicks, true);
  access.ReadSynthReplies();
}

double Levelling::LevelFromProbe(uint16_t probe) const {
  const double scale = context_.Results.ProbeScale[EntryIndex(context_.Results.NextIndex)];
  return scale == 0.0 ? static_cast<double>(probe) : static_cast<double>(probe) / scale;
}

bool Levelling::ReadBack() {
  ReadLevel();
  const link::AdapterLink& link = context_.Access.Link();
  context_.Screen.diagnostics.dac_value = std::to_string(link.DacValue);
  ResultPoint& entry = context_.Results.Entries[EntryIndex(context_.Results.NextIndex)];
  // No readings reply means no measurement: a timed-out step records 0, not the probe
  // value of an earlier step.
  entry.Level = link.DacValue > 0 ? LevelFromProbe(link.ProbeValue) : 0.0;
  entry.Frequency = context_.Setup.CurrentFrequency;
  return (link.DacValue > 0 || context_.Timers.Settle.Expired()) && !context_.Run.StopRequested;
}

bool Levelling::RangeOk(uint8_t status) const {
  const bool low = (status & kLowRangeBit) != 0;
  const bool high = (status & kHighRangeBit) != 0;
  if (low == high) return false;
  if (!setup::LevelsInMode(context_.Setup.TestMode)) return true;
  const double threshold_hz = double{context_.Access.Link().RangeThreshold} * 1'000'000.0;
  const double frequency = context_.Setup.CurrentFrequency;
  if (frequency < threshold_hz && high) return false;
  if (frequency > threshold_hz && low) return false;
  return true;
}

void Levelling::HandleStatusByte(uint8_t status) {
  RunState& run = context_.Run;
  screen::Lamps& lamps = context_.Screen.lamps;
  // Every status byte restarts the poll interval, and no poll starts inside this one.
  context_.Window.StatusPoll.SetEnabled(false);

  ResultPoint& entry = context_.Results.Entries[EntryIndex(context_.Results.NextIndex)];
  if ((status & kEutFaultBit) != 0) {
    entry.EutStatus = kEutFault;
    run.EutFaultLatched = true;
    lamps.eut_fault = screen::LampColour::Red;
    lamps.eut_ok = screen::LampColour::Off;
  } else {
    entry.EutStatus = kEutOk;
    run.EutFaultLatched = false;
    lamps.eut_ok = screen::LampColour::Green;
    lamps.eut_fault = screen::LampColour::Off;
  }

  const uint8_t config = context_.Access.Link().AmplifierConfig;
  if (config == 1 || config == 2) {
    if ((status & kAmplifierFaultBit) == 0) {
      lamps.pa = screen::LampColour::Off;
      run.AmplifierStrike = false;
    } else if (run.AmplifierStrike) {
      lamps.pa = screen::LampColour::Red;
      if (run.Running) {
        run.StopRequested = true;
        run.Phase = RunPhase::End;
        run.Reason = EndReason::AmplifierFault;
        context_.Screen.monitor.dwell = "0.0";
      }
    } else if (run.Running) {
      run.AmplifierStrike = true;
    }
  } else {
    lamps.pa = screen::LampColour::Off;
  }

  run.StatusBusy = (status & kBusyBit) != 0;
  run.StatusLevelReached = (status & kReachedBit) != 0;

  const bool range_ok = RangeOk(status);
  if (range_ok && run.RangeStrike) run.RangeStrike = false;
  if (!range_ok && !run.RangeErrorTaken && run.LevellingActive) {
    if (run.RangeStrike) {
      context_.Window.StripChart.SetEnabled(false);
      run.RangeErrorTaken = true;
      context_.Commands.SetLevel(link::kModeHold, 0, 0);
      run.Reason = EndReason::RangeError;
      run.StopRequested = true;
      run.Phase = RunPhase::End;
    } else {
      run.RangeStrike = true;
    }
  }

  context_.Window.StatusPoll.SetEnabled(true);
}

void Levelling::CannotReachSetPoint() {
  link::AdapterLink& link = context_.Access.Link();
  RunState& run = context_.Run;
  if (link.SetPointQuestionPending || !run.Running) return;
  link.SetPointQuestionPending = true;
  if (context_.Asked) context_.Asked(std::string(screen::msg::kCannotReachSetPoint.Text));
  const bool abandon = screen::Ask(context_.Op, screen::msg::kCannotReachSetPoint);
  if (context_.Answered) context_.Answered(abandon);
  if (abandon) {
    run.StopRequested = true;
    run.Phase = RunPhase::End;
    run.Reason = EndReason::StoppedByUser;
    context_.Screen.monitor.dwell = "0.0";
    // The box pumps: the run may have ended meanwhile, and ends only once.
    if (run.Running && end_run_) end_run_(EndReason::StoppedByUser);
    context_.Screen.single.auto_increase.enabled = true;
  } else {
    link.SetPointQuestionPending = false;
    // Only a step can be given up. A message read before the run's start has set up its
    // first frequency and next index (one left over from before the run) leaves the start
    // to go on, and a run that is ending still ends.
    if (run.Phase != RunPhase::Start && run.Phase != RunPhase::End) run.Phase = RunPhase::NextStep;
  }
}

}  // namespace tarvos::engine
