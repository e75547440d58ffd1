#include "engine/sequencer.h"

#include <cmath>
#include <string>

#include "engine/format_elapsed.h"
#include "engine/result_operations.h"
#include "engine/resume.h"
#include "engine/run_start.h"
#include "link/adapter_link.h"
#include "screen/messages.h"
#include "setup/modulation_display.h"
#include "setup/number_forms.h"

namespace tarvos::engine {
namespace {

constexpr int kWarmUpTicks = 90;
constexpr int kSettleTicks = 36;
constexpr int kReadBackTicks = 500;
constexpr int kModulationOffTicks = 18;
// Three faults mark the synthesiser absent: there is no point in more tries.
constexpr int kFieldOffAttempts = 3;
constexpr int64_t kTicksPerSecond = 18;  // how the dwell turns seconds into ticks
constexpr uint32_t kLastEntry = 2000;
// Status polling is left off during a run by synthesisers older than this.
constexpr float kPollingVersion = 3.4F;
constexpr int kEutHalt = 1;
constexpr int kPreScanned = 1;

using setup::IsCustomMode;
using setup::IsSingleMode;
using setup::IsStandardMode;
bool IsPreScanned(uint8_t mode) { return mode > setup::kPreScanOffset; }

std::string Mhz3(uint32_t hz) { return setup::FormatFixed(static_cast<double>(hz) / 1'000'000.0, 0, 3); }
std::string Fixed2(double value) { return setup::FormatFixed(value, 0, 2); }

}  // namespace

Sequencer::Sequencer(EngineContext& context)
    : context_(context), levelling_(context, [this](EndReason reason) { EndRun(reason); }) {}

void Sequencer::GoTo(RunPhase phase) {
  if (!context_.Run.StopRequested) context_.Run.Phase = phase;
}

void Sequencer::EndNow(EndReason reason) {
  context_.Run.Reason = reason;
  context_.Run.Phase = RunPhase::End;
}

void Sequencer::PrepareStart(uint32_t first_hz) {
  link::AdapterLink& link = context_.Access.Link();
  if (link.HardwareVersion < kPollingVersion) context_.Window.StatusPoll.SetEnabled(false);
  // Forgotten, so that the selection is always sent.
  link.LastAmplifierSelection = link::kNoSelection;
  const double switch_hz = double{link.AmplifierSwitchFrequency} * 1'000'000.0;
  context_.Commands.SelectAmplifier(switch_hz >= first_hz ? link::kAmplifier1 : link::kAmplifier2);
  link.FaultLatched = false;
}

void Sequencer::PressRun() {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  if (run.Running) {
    screen.monitor.dwell = "0.0";
    run.StopRequested = true;
    run.Reason = EndReason::StoppedByUser;
    run.Phase = RunPhase::End;
    screen.single.auto_increase.enabled = true;
    return;
  }
  resume_.reset();
  StartRun();
}

void Sequencer::PressResume(const ResumePoint& point) {
  if (context_.Run.Running) return;
  resume_ = point;
  StartRun();
}

void Sequencer::StartRun() {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  Call(context_.RunBegins);
  context_.Access.EmptySynthStore();
  setup::TestSetup& setup = context_.Setup;
  PrepareStart(resume_ ? resume_->Frequency : setup.StartFrequency);
  if ((setup.TestMode == setup::kStandard || setup.TestMode == setup::kCustom) &&
      screen.setup.test_type.index == kPreScanned) {
    setup.TestMode += setup::kPreScanOffset;
  }
  Call(context_.ReloadCellTable);
  resume_kept_.reset();
  if (resume_ && resume_->Index >= 1 && resume_->Index < kEntries) {
    resume_kept_ = context_.Results.Entries[resume_->Index];
  }
  StartRunState(run, context_.Results, screen, false, resume_ ? resume_->Index : 1);
  end_run_done_ = false;
  screen.buttons.run.caption = "STOP";
  Call(context_.Repaint);
  Call(context_.RunStarted);
  run.Phase = RunPhase::Start;
  RunSequencer();
}

void Sequencer::PressPreScan() {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  setup::TestSetup& setup = context_.Setup;
  if (setup.TestMode > setup::kPreScanOffset) setup.TestMode -= setup::kPreScanOffset;
  if (run.PreScanRunning) {
    // Stopped by the operator: the pre-scan is not kept.
    run.PreScanRunning = false;
    run.Running = false;
    run.DwellHold = false;
    run.Reason = EndReason::StoppedByUser;
    run.StopRequested = true;
    run.Phase = RunPhase::End;
  } else if (!context_.PreScan.Available ||
             screen::Ask(context_.Op, screen::msg::kOverwritePreScan)) {
    resume_.reset();
    Call(context_.RunBegins);
    PrepareStart(setup.StartFrequency);
    screen.setup.test_type.index = 0;
    StartRunState(run, context_.Results, screen, true);
    end_run_done_ = false;
    Call(context_.ReloadCellTable);
    screen.buttons.pre_scan.caption = "STOP";
    setup.EutStatusMode = 0;
    setup.EutPromptMode = 0;
    Call(context_.Repaint);
    Call(context_.RunStarted);
    run.Phase = RunPhase::Start;
    RunSequencer();
  }
  UpdateControls();
}

void Sequencer::PressDwell() {
  RunState& run = context_.Run;
  run.DwellHold = !run.DwellHold;
  context_.Screen.buttons.dwell.caption = run.DwellHold ? "RELEASE" : "DWELL";
}

void Sequencer::AbandonRun() {
  RunState& run = context_.Run;
  if (!run.Running) return;
  run.Reason = EndReason::StoppedByUser;
  EndRun(EndReason::StoppedByUser);
  run.Phase = RunPhase::Idle;
}

void Sequencer::RunSequencer() {
  ++depth_;
  context_.Run.LoopDone = false;
  ramp_index_ = 0;
  UpdateControls();
  while (!context_.Run.LoopDone) Pass();
  --depth_;
}

void Sequencer::Pass() {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  if (context_.Results.NextIndex >= kLastEntry) EndNow(EndReason::MaximumResults);
  if (run.EutFaultLatched) {
    if (screen.setup.eut_status.index == kEutHalt || screen.single.stop_on_eut_fault.checked) {
      EndNow(EndReason::EutFailure);
    }
  }
  // A synthesiser lost for good (its third fault) can neither level nor be stopped by a
  // command: the run ends here.
  if (run.Running && !run.StopRequested && !context_.Access.Link().SynthPresent) {
    run.StopRequested = true;
    run.Reason = EndReason::HardwareFault;
  }
  // The application is quitting: every wait returns at once from now on.
  if (run.Running && !run.StopRequested && context_.Loop.Quitting()) {
    run.StopRequested = true;
    run.Reason = EndReason::StoppedByUser;
  }
  if (run.StopRequested) run.Phase = RunPhase::End;

  context_.Access.ReadSynthReplies();
  context_.Loop.DispatchUntil(context_.Loop.ClockMs());
  screen.diagnostics.phase = "Phase " + std::to_string(static_cast<int>(run.Phase));

  switch (run.Phase) {
    case RunPhase::Start:
      PhaseStart();
      break;
    case RunPhase::NextStep:
      PhaseNextStep();
      break;
    case RunPhase::Levelling:
      PhaseLevelling();
      break;
    case RunPhase::Confirm:
      PhaseConfirm();
      break;
    case RunPhase::ReadBack:
      PhaseReadBack();
      break;
    case RunPhase::Record:
      PhaseRecord();
      break;
    case RunPhase::Dwell:
      PhaseDwell();
      break;
    case RunPhase::End:
      PhaseEnd();
      break;
    case RunPhase::Idle:
      // Only an end sets Idle: a loop that finds it (the window closed) is done.
      run.LoopDone = true;
      break;
  }

  if (context_.Setup.TestMode == setup::kSingle) SingleControlsByPhase();
  if (run.Phase != RunPhase::Idle) {
    screen.monitor.total = FormatElapsed(context_.Timers.Elapsed.ElapsedSeconds());
  }
  UpdateLamps();
}

bool Sequencer::CanLevel() const {
  const uint8_t mode = context_.Setup.TestMode;
  if (!setup::LevelsInMode(mode)) return false;
  if (context_.Cell.RowCount < 2) return false;
  if (context_.Setup.CurrentFrequency == 0) return false;
  if (IsPreScanned(mode) && !context_.PreScan.Available) return false;
  return true;
}

void Sequencer::PhaseStart() {
  RunState& run = context_.Run;
  setup::TestSetup& setup = context_.Setup;
  screen::Screen& screen = context_.Screen;
  run.LevellingActive = false;
  run.Reason = EndReason::Completed;
  context_.Access.ClearOutputBit(link::kModulation1k);
  screen.graph.show_prescan_curve = false;
  run.StatusBusy = true;
  run.StatusLevelReached = false;
  // A resumed scan goes on at its point: the results before it stay.
  const bool resumed = resume_ && (IsStandardMode(setup.TestMode) || IsCustomMode(setup.TestMode));
  context_.Results.NextIndex = resumed ? resume_->Index : 1;

  const uint8_t mode = setup.TestMode;
  if (IsStandardMode(mode) || IsCustomMode(mode)) {
    if (IsStandardMode(mode)) {
      context_.Validate.ValidateStandard();
      setup.CurrentFrequency = setup.StartFrequency;
    } else {
      context_.Validate.ValidateCustom();
      setup.CurrentFrequency = context_.Validation.CustomFirstFrequency;
    }
    if (resumed) setup.CurrentFrequency = resume_->Frequency;
    screen.monitor.frequency = Mhz3(setup.CurrentFrequency);
    const double target = context_.Validate.TargetLevelAt(setup.CurrentFrequency);
    if (target > 0.0 && target < 100.0) {
      run.LevelSetPoint = levelling_.Drive(setup.CurrentFrequency, target);
      run.TargetLevel = static_cast<float>(target);
    }
  } else if (IsSingleMode(mode)) {
    context_.Validate.ValidateSingle();
    screen.monitor.target = Fixed2(setup.SingleLevel);
    screen.monitor.frequency = Mhz3(setup.CurrentFrequency);
    if (!setup.AutoIncrease) screen.single.auto_increase.enabled = false;
    run.LevelSetPoint = levelling_.Drive(setup.CurrentFrequency, setup.SingleLevel);
    run.TargetLevel = setup.SingleLevel;
  }

  if (!context_.Validation.SetupValid || !CanLevel()) {
    EndNow(EndReason::InvalidConditions);
    return;
  }
  link::AdapterLink& link = context_.Access.Link();
  // The opposite of the first frequency's range, so that it always gets the range wait.
  const float mhz = static_cast<float>(setup.CurrentFrequency) / 1'000'000.0F;
  link.RangeHigh = !(mhz >= link.RangeThreshold);
  context_.Timers.Elapsed.Start(0);
  levelling_.IssueLevelCommand(true);
  context_.Timers.WarmUp.Start(kWarmUpTicks);
  GoTo(RunPhase::Levelling);
}

void Sequencer::PhaseNextStep() {
  RunState& run = context_.Run;
  setup::TestSetup& setup = context_.Setup;
  screen::Screen& screen = context_.Screen;
  run.LevellingActive = false;
  if (!context_.Validation.SetupValid) {
    EndNow(EndReason::InvalidConditions);
    return;
  }
  context_.Validate.ValidateStandard();
  context_.Access.ClearOutputBit(link::kModulation1k);
  run.StatusLevelReached = false;
  screen.monitor.dwell = "0.0";

  bool done = false;
  const uint8_t mode = setup.TestMode;
  if (IsStandardMode(mode) || IsCustomMode(mode)) {
    const uint32_t finish =
        IsStandardMode(mode) ? setup.EndFrequency : context_.Validation.CustomLastFrequency;
    if (setup.CurrentFrequency < finish && run.Running) {
      setup.CurrentFrequency =
          NextScanFrequency(setup.CurrentFrequency, setup.StepPercent, finish);
      screen.monitor.frequency = Mhz3(setup.CurrentFrequency);
    } else {
      done = true;
    }
  } else if (IsSingleMode(mode)) {
    screen.monitor.frequency = Mhz3(setup.CurrentFrequency);
    if (setup.AutoIncrease) {
      if (RampGoesOn(setup, setup.SingleLevel)) {
        const float level =
            static_cast<float>(ramp_index_) * setup.LevelStep + setup.StartLevel;
        ++ramp_index_;
        setup.SingleLevel = level;
        run.LevelSetPoint = levelling_.Drive(setup.CurrentFrequency, level);
        run.TargetLevel = level;
        screen.monitor.target = Fixed2(level);
        Call(context_.Repaint);
      } else {
        done = true;
      }
    } else {
      run.LevelSetPoint = levelling_.Drive(setup.CurrentFrequency, setup.SingleLevel);
      run.TargetLevel = setup.SingleLevel;
    }
    context_.Timers.Dwell.Start(kModulationOffTicks);
  }

  levelling_.IssueLevelCommand(true);
  if (done) {
    EndNow(run.PreScanRunning ? EndReason::PreScanCompleted : EndReason::Completed);
  } else {
    GoTo(RunPhase::Levelling);
  }
}

void Sequencer::PhaseLevelling() {
  RunState& run = context_.Run;
  context_.Timers.Settle.Start(kSettleTicks);
  run.LevellingActive = true;
  if (!run.StopRequested && !run.StatusBusy && run.StatusLevelReached &&
      context_.Timers.WarmUp.Expired()) {
    GoTo(RunPhase::Confirm);
  }
}

void Sequencer::PhaseConfirm() {
  if (!context_.Timers.Settle.Expired()) return;
  context_.Timers.Settle.Start(kReadBackTicks);
  levelling_.IssueLevelCommand(false);
  GoTo(RunPhase::ReadBack);
}

void Sequencer::PhaseReadBack() {
  if (levelling_.ReadBack()) GoTo(RunPhase::Record);
}

void Sequencer::PhaseRecord() {
  RunState& run = context_.Run;
  setup::TestSetup& setup = context_.Setup;
  ResultStore& results = context_.Results;
  link::AdapterLink& link = context_.Access.Link();
  Call(context_.Redraw);
  const std::size_t index = EntryIndex(results.NextIndex);
  if (run.PreScanRunning) {
    // Held apart until the pre-scan is kept: a stopped one leaves the table as it was.
    scratch_dac_[index] = link.DacValue;
    context_.Screen.diagnostics.pre_scan = std::to_string(link.DacValue);
    GoTo(RunPhase::NextStep);
  } else {
    const std::string mode = context_.Commands.ApplyModulation(setup.ModulationType);
    context_.Commands.SetLevel(mode, link.DacValue, run.LevelSetPoint);
    if (IsSingleMode(setup.TestMode)) {
      context_.Window.ModulationDelay.SetEnabled(true);
      if (!setup.AutoIncrease) run.RetuneRequest = false;
      context_.Timers.Dwell.Start(int64_t{setup.SingleDwell} * kTicksPerSecond);
    } else {
      context_.Timers.Dwell.Start(int64_t{setup.DwellTime} * kTicksPerSecond);
    }
    GoTo(RunPhase::Dwell);
  }
  context_.Screen.monitor.actual = Fixed2(results.Entries[index].Level);
  if (context_.Recorded) context_.Recorded(static_cast<uint32_t>(index));
  ++results.NextIndex;
  if (results.NextIndex > kMaxResults) EndNow(EndReason::MaximumResults);
}

void Sequencer::EndOfDwell() {
  const link::AdapterLink& link = context_.Access.Link();
  context_.Commands.SetLevel(link::kModeHold, link.DacValue, context_.Run.LevelSetPoint);
  context_.Access.TickWait(kModulationOffTicks, true);
}

void Sequencer::PhaseDwell() {
  RunState& run = context_.Run;
  setup::TestSetup& setup = context_.Setup;
  link::TickTimer& dwell = context_.Timers.Dwell;
  context_.Screen.monitor.dwell = std::to_string(dwell.ElapsedSeconds());
  const bool over = dwell.Expired() && !run.DwellHold && !run.StopRequested;
  if (!IsSingleMode(setup.TestMode)) {
    if (over) {
      EndOfDwell();
      GoTo(RunPhase::NextStep);
    }
    return;
  }
  if (setup.AutoIncrease && over) {
    EndOfDwell();
    context_.Window.StripChart.SetEnabled(false);
    GoTo(RunPhase::NextStep);
  }
  if (run.RetuneRequest) {
    EndOfDwell();
    GoTo(RunPhase::NextStep);
    context_.Validate.ValidateSingle();
    // The re-levelled point replaces the last one written.
    if (context_.Results.NextIndex > 1) --context_.Results.NextIndex;
  }
}

void Sequencer::PhaseEnd() {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  context_.Window.ModulationDelay.SetEnabled(false);
  context_.Window.StripChart.SetEnabled(false);
  if (run.PreScanRunning) {
    PreScanTable& table = context_.PreScan;
    const uint32_t recorded = std::min<uint32_t>(context_.Results.NextIndex, kEntries);
    for (uint32_t i = 1; i < recorded; ++i) table.Entries[i].DacValue = scratch_dac_[i];
    // A failed save has shown its error; the pre-scan is kept in memory all the same.
    if (context_.SaveTempPreScan) context_.SaveTempPreScan();
    table.Available = true;
    screen.setup.test_type.enabled = true;
    screen.setup.test_type.index = kPreScanned;
    setup::TestSetup& setup = context_.Setup;
    if (setup.TestMode > setup::kPreScanOffset) setup.TestMode -= setup::kPreScanOffset;
    setup.TestMode += setup::kPreScanOffset;
    setup::ShowModeLabel(setup, screen);
    screen.plot_prescan_visible = true;
  }
  if (!end_run_done_) EndRun(run.Reason);
  screen.single.auto_increase.enabled = true;
  Call(context_.Repaint);
  run.Phase = RunPhase::Idle;
  screen.monitor.dwell = "0.0";
  run.LoopDone = true;
  context_.Window.StatusPoll.SetEnabled(true);
}

void Sequencer::EndRun(EndReason reason) {
  RunState& run = context_.Run;
  screen::Screen& screen = context_.Screen;
  end_run_done_ = true;
  if (resume_kept_ && resume_ && context_.Results.NextIndex == resume_->Index) {
    // Ended before the repeated step recorded: the result it was to replace stays.
    context_.Results.Entries[resume_->Index] = *resume_kept_;
    context_.Results.NextIndex = resume_->Index + 1;
  }
  resume_kept_.reset();
  // The field must not stay on because one write came out short: the command goes again,
  // at most until the synthesiser's third fault has marked it absent.
  for (int attempt = 0; attempt < kFieldOffAttempts; ++attempt) {
    if (context_.Commands.SetLevel(link::kModeHold, 0, 0)) break;
  }
  run.StopRequested = true;
  run.Running = false;
  context_.Loop.Beep();
  if (run.PreScanRunning) {
    // An abandoned pre-scan is not kept, so it leaves the table's frequencies alone too.
    if (reason != EndReason::StoppedByUser) {
      CapturePreScanFrequencies(context_.Results, context_.PreScan);
    }
    run.PreScanRunning = false;
  }
  screen.buttons.pre_scan.caption = "PRE-SCAN";
  screen.buttons.dwell.caption = "DWELL";
  screen.buttons.run.caption = "RUN";
  UpdateControls();
  screen.monitor.actual = "0.0";
  screen.monitor.target = "0.0";
  UpdateLamps();
  context_.Commands.SelectAmplifier(link::kNoAmplifier);
  screen::Tell(context_.Op, EndReasonEntry(reason));
  if (reason == EndReason::PreScanCompleted) context_.PreScan.Available = true;
  Call(context_.Repaint);
  if (context_.RunEnded) context_.RunEnded(reason);
}

void Sequencer::UpdateLamps() {
  using screen::LampColour;
  screen::Lamps& lamps = context_.Screen.lamps;
  RunState& run = context_.Run;
  const setup::TestSetup& setup = context_.Setup;
  if (!context_.Access.Link().SynthPresent) {
    lamps.hardware = LampColour::Red;
    return;
  }
  lamps.hardware = LampColour::Off;
  switch (run.Phase) {
    case RunPhase::Idle:
    case RunPhase::End:
      lamps.ready = LampColour::Green;
      lamps.running = LampColour::Off;
      lamps.settling = LampColour::Off;
      lamps.modulation = LampColour::Off;
      lamps.standby = LampColour::Green;
      lamps.eut_prompt = LampColour::Off;
      context_.Access.ClearOutputBit(link::kEutPrompt);
      break;
    case RunPhase::Start:
    case RunPhase::NextStep:
    case RunPhase::Levelling:
    case RunPhase::Confirm:
    case RunPhase::ReadBack:
      lamps.ready = LampColour::Off;
      lamps.running = LampColour::Off;
      lamps.settling = LampColour::Blue;
      lamps.modulation = LampColour::Off;
      lamps.standby = LampColour::Off;
      lamps.eut_prompt = LampColour::Off;
      context_.Access.ClearOutputBit(link::kEutPrompt);
      run.EutPulsed = false;
      break;
    case RunPhase::Record:
    case RunPhase::Dwell: {
      lamps.ready = LampColour::Off;
      lamps.running = LampColour::Green;
      lamps.settling = LampColour::Off;
      lamps.standby = LampColour::Off;
      const bool modulated = setup.ModulationType != link::kModulationNone;
      const bool lit = setup.TestMode == setup::kSingle ? modulated
                                                         : modulated && !run.PreScanRunning;
      lamps.modulation = lit ? LampColour::Green : LampColour::Off;
      switch (setup.EutPromptMode) {
        case 0:
          context_.Access.ClearOutputBit(link::kEutPrompt);
          lamps.eut_prompt = LampColour::Off;
          break;
        case 1:
          if (!run.PreScanRunning && !run.EutPulsed) {
            run.EutPulsed = true;
            context_.Access.SetOutputBit(link::kEutPrompt);
            context_.Window.EutPulse.SetEnabled(true);
            lamps.eut_prompt = LampColour::Green;
          }
          break;
        case 2:
          if (!run.PreScanRunning) {
            context_.Access.SetOutputBit(link::kEutPrompt);
            lamps.eut_prompt = LampColour::Green;
          }
          break;
        default:
          break;
      }
      break;
    }
  }
}

void Sequencer::UpdateControls() {
  screen::Screen& screen = context_.Screen;
  screen::Buttons& buttons = screen.buttons;
  const RunState& run = context_.Run;
  const uint8_t mode = context_.Setup.TestMode;
  // Commands that would replace the setup or the results under a running sequencer.
  screen.menus.open_enabled = !run.Running;
  screen.menus.clear_enabled = !run.Running;
  screen.system_details.accept_enabled = !run.Running;

  if (!context_.Access.Link().SynthPresent) {
    // The button serving as STOP stays usable: the run must still be able to end.
    buttons.run.enabled = run.Running && !run.PreScanRunning;
    buttons.pre_scan.enabled = run.PreScanRunning;
    return;
  }
  screen::SetupPanel& panel = screen.setup;
  if (run.Running) {
    if (context_.PreScan.Available) {
      panel.start.enabled = panel.finish.enabled = panel.step.enabled = panel.field.enabled =
          false;
      panel.custom.enabled = false;
    }
    screen.menus.mode_enabled = false;
    screen.plot_prescan_enabled = false;
    buttons.run.enabled = false;
    buttons.dwell.enabled = !run.PreScanRunning;
    buttons.standard_scan.enabled = IsStandardMode(mode);
    buttons.custom_scan.enabled = IsCustomMode(mode);
    buttons.single_point.enabled = IsSingleMode(mode);
    // A pre-scan started inside a running scan would run a loop of its own.
    buttons.pre_scan.enabled = false;
    if (IsSingleMode(mode)) buttons.dwell.enabled = screen.single.auto_increase.checked;
    if (run.PreScanRunning) {
      buttons.pre_scan.enabled = true;
    } else {
      buttons.run.enabled = true;
    }
    return;
  }
  screen.menus.mode_enabled = true;
  buttons.pre_scan.enabled = !IsSingleMode(mode);
  buttons.dwell.enabled = false;
  buttons.standard_scan.enabled = true;
  buttons.single_point.enabled = true;
  buttons.custom_scan.enabled = true;
  buttons.run.enabled = true;
  screen.plot_prescan_enabled = true;
  panel.start.enabled = panel.finish.enabled = panel.step.enabled = panel.field.enabled = true;
  panel.custom.enabled = true;
}

void Sequencer::SingleControlsByPhase() {
  const RunPhase phase = context_.Run.Phase;
  const bool free =
      phase == RunPhase::Idle || phase == RunPhase::Dwell || phase == RunPhase::End;
  screen::SinglePanel& panel = context_.Screen.single;
  panel.frequency.enabled = free;
  panel.level.enabled = free;
  panel.step_buttons_enabled = free;
  panel.modulation_enabled = free;
}

void Sequencer::StatusPollTick() {
  const uint8_t mode = context_.Setup.TestMode;
  const RunPhase phase = context_.Run.Phase;
  bool poll = false;
  if (IsStandardMode(mode) || IsCustomMode(mode)) {
    poll = phase == RunPhase::Idle || phase == RunPhase::NextStep ||
           phase == RunPhase::Levelling || phase == RunPhase::Dwell || phase == RunPhase::End;
  } else if (mode == setup::kSingle) {
    poll = phase == RunPhase::Idle || phase == RunPhase::NextStep ||
           phase == RunPhase::Levelling || phase == RunPhase::End;
  }
  if (poll) context_.Commands.RequestStatus();
}

void Sequencer::EutPulseTick() {
  context_.Access.ClearOutputBit(link::kEutPrompt);
  context_.Window.EutPulse.SetEnabled(false);
}

}  // namespace tarvos::engine
