#include "station/station.h"

#include <array>
#include <span>
#include <string>
#include <utility>
#include <variant>

#include "calib/cell_file.h"
#include "calib/settings_file.h"
#include "calib/system_details.h"
#include "engine/result_operations.h"
#include "engine/resume.h"
#include "calib/adapter_descriptions.h"
#include "link/start_up.h"
#include "records/run_log.h"
#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "records/prescan_file.h"
#include "records/setup_file.h"
#include "screen/messages.h"
#include "setup/modulation_display.h"

namespace tarvos::station {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr int kLastOutputLine = 15;
constexpr std::string_view kSoftwareVersion = "Software Version 1.59 12th January 2007";
constexpr std::string_view kVersionRequest = "03,20,00,04";

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}


}  // namespace

std::string ClockText(const ClockReading& time) {
  const int month = time.Month >= 1 && time.Month <= 12 ? time.Month : 1;
  return std::to_string(time.Day) + " " + std::string(kMonths[month - 1]) + " " +
         std::to_string(time.Year) + " " + TwoDigits(time.Hour) + ":" + TwoDigits(time.Minute);
}

std::string TimeOfDayText(const ClockReading& time) {
  return std::to_string(time.Hour) + ":" + TwoDigits(time.Minute) + ":" + TwoDigits(time.Second);
}

namespace {

// A path's last part: the cell file as the operator knows it.
std::string CellFileOnly(const std::string& path) {
  return std::string(platform::FileNameOf(path));
}

// The Test Type choice's "Pre-Scanned".
constexpr int kPreScannedTestType = 1;

std::string PhaseName(engine::RunPhase phase) {
  switch (phase) {
    case engine::RunPhase::Idle:
      return "Idle";
    case engine::RunPhase::Start:
      return "Start";
    case engine::RunPhase::NextStep:
      return "NextStep";
    case engine::RunPhase::Levelling:
      return "Levelling";
    case engine::RunPhase::Confirm:
      return "Confirm";
    case engine::RunPhase::ReadBack:
      return "ReadBack";
    case engine::RunPhase::Record:
      return "Record";
    case engine::RunPhase::Dwell:
      return "Dwell";
    case engine::RunPhase::End:
      return "End";
  }
  return "Idle";
}

}  // namespace

void Station::EventsRelay::StatusByte(uint8_t status) {
  if (Target) Target->StatusByte(status);
  if (AfterStatus) AfterStatus();
}
void Station::EventsRelay::CannotReachSetPoint() {
  if (Target) Target->CannotReachSetPoint();
}
void Station::EventsRelay::ControlsChanged() {
  if (Target) Target->ControlsChanged();
}
bool Station::EventsRelay::RunPhaseActive() const {
  return Target != nullptr && Target->RunPhaseActive();
}

Station::Station(StationParts parts)
    : loop_(parts.Loop),
      adapters_(parts.Adapters),
      op_(parts.Op),
      local_time_(std::move(parts.LocalTime)),
      access_(link_, adapters_, loop_, op_, screen_, relay_),
      commands_(access_),
      run_timers_(loop_) {
  config_.DefaultPath = std::move(parts.ProgramFolder);
  recovery_ = std::make_unique<RecoveryFile>(config_.DefaultPath, op_);
  recorder_ = std::make_unique<RunRecorder>(RunRecorder::Parts{
      loop_, op_, config_.DefaultPath, [this] {
        const ClockReading now = local_time_ ? local_time_() : ClockReading{};
        return records::LocalDateTime{now.Year,   now.Month,  now.Day,        now.Hour,
                                      now.Minute, now.Second, now.Millisecond};
      }});
  records_menu_ = std::make_unique<RecordsMenu>(op_, *recorder_, results_, config_.DefaultPath);
  screen_.splash.visible = true;

  validation_ = std::make_unique<setup::SetupValidation>(setup::SetupValidationContext{
      setup_, validation_state_, screen_, op_, cell_, results_, pre_scan_, run_,
      [this] { ReloadPreScanSetup(); }});

  auto make_timer = [this](uint32_t interval, bool enabled, std::function<void()> callback) {
    auto timer = loop_.CreateTimer();
    timer->SetInterval(interval);
    timer->SetCallback(std::move(callback));
    timer->SetEnabled(enabled);
    return timer;
  };
  start_timer_ = make_timer(kStartUpMs, true, [this] { StartUp(); });
  clock_timer_ = make_timer(kClockFirstMs, true, [this] { ClockTick(); });
  status_timer_ = make_timer(kStatusPollMs, false, [this] { sequencer_->StatusPollTick(); });
  modulation_timer_ =
      make_timer(kModulationDelayMs, false, [this] { single_->ModulationDelayTick(); });
  strip_timer_ = make_timer(kStripChartMs, false, [this] { single_->StripChartTick(); });
  pulse_timer_ = make_timer(kEutPulseMs, false, [this] { sequencer_->EutPulseTick(); });

  engine_ = std::make_unique<engine::EngineContext>(engine::EngineContext{
      loop_, op_, screen_, access_, commands_, setup_, validation_state_, *validation_, cell_,
      results_, pre_scan_, run_, run_timers_,
      engine::WindowTimers{*status_timer_, *modulation_timer_, *strip_timer_, *pulse_timer_},
      [this] { LoadCell(); }, [this] { return SaveTempPreScan(); }, [this] { Redraw(); },
      [this] { Repaint(); },
      [this](uint32_t index) {
        results_origin_ = ResultsOrigin{setup_, run_.PreScanRunning};
        results_name_.clear();  // the store holds this run's results now
        SaveRecovery(index);
        recorder_->Add(records::run_event::kStep, EntryValues(index));
        if (recorded_) recorded_(index);
      },
      [this](engine::EndReason reason) {
        recovery_->Discard();
        recorder_->End(std::string(engine::EndReasonMessage(reason)));
        if (run_ended_) run_ended_(reason);
      },
      [this] { return TimeOfDayText(last_clock_); },
      // The run log's hooks are set below, once the recorder's helpers can be reached.
      {}, {}, {}, {}, {}});
  sequencer_ = std::make_unique<engine::Sequencer>(*engine_);
  single_ = std::make_unique<engine::SingleFrequency>(*engine_);
  relay_.Target = sequencer_.get();

  engine_->RunBegins = [this] { run_began_ = recorder_->Now(); };
  engine_->RunStarted = [this] {
    results_origin_ = ResultsOrigin{setup_, run_.PreScanRunning};
    recorder_->Start(RunStartText(), run_began_.value_or(recorder_->Now()));
    run_began_.reset();
    // A resumed run says where it went on, after the setup.
    const auto& resumed = sequencer_->ResumedAt();
    if (!resumed) return;
    // The results kept (1 to N - 1), the frequency it goes on at, and the file continued.
    RunRecorder::Values values;
    values.Step = resumed->Index - 1;
    values.FrequencyMhz = resumed->Frequency / 1e6;
    values.Text = results_name_;
    recorder_->Add(records::run_event::kResume, std::move(values));
  };
  engine_->Sampled = [this](uint32_t index) {
    recorder_->Add(records::run_event::kSample, EntryValues(index));
  };
  engine_->Asked = [this](const std::string& question) {
    recorder_->Add(records::run_event::kQuestion, Now(question));
  };
  engine_->Answered = [this](bool yes) {
    recorder_->Add(records::run_event::kAnswer, Now(yes ? "Yes" : "No"));
  };
  access_.OnFault(
      [this](const std::string& text) { recorder_->Add(records::run_event::kFault, Now(text)); });
  relay_.AfterStatus = [this] {
    if (!recorder_->Active()) return;
    const bool fault = run_.EutFaultLatched;
    RunRecorder::Values values = Now(PhaseName(run_.Phase));
    values.Eut = fault ? engine::kEutFault : engine::kEutOk;
    recorder_->EutReport(fault, std::move(values));
  };

  modes_ = std::make_unique<setup::ModeContext>(setup::ModeContext{
      setup_, *validation_, validation_state_, pre_scan_, run_, screen_,
      [this] { sequencer_->UpdateControls(); },
      [this] { strip_timer_->SetEnabled(false); }});

  files_ = std::make_unique<FileCommands>(
      FileCommandsContext{FilesContext(), *validation_, run_, op_, screen_,
                          [this](uint8_t mode) { setup::SwitchMode(*modes_, mode); },
                          [this] { Redraw(); }, [this] { Repaint(); },
                          [this](const std::string& path) {
                            // A pre-scan's results, kept by a pre-scan that never ended,
                            // are a pre-scan's still: they cannot be resumed as a test.
                            results_origin_ = ResultsOrigin{setup_, IsPreScanRecoveryName(path)};
                            results_name_ = path;
                          }});

  test_form_ = std::make_unique<station::TestForm>(TestFormContext{
      access_, commands_, cell_, run_,
      [this] {
        auto settings = SettingsContextFor();
        calib::SaveSettings(settings);
      },
      [this] { calib::LoadSalvoSettings(config_.DefaultPath, link_, op_); },
      [this] { sequencer_->UpdateLamps(); }, [this] { Repaint(); }});
}

Station::~Station() = default;


RunRecorder::Values Station::Now(std::string text) const {
  RunRecorder::Values values;
  values.FrequencyMhz = setup_.CurrentFrequency / 1'000'000.0;
  values.TargetVm = run_.TargetLevel;
  values.Text = std::move(text);
  return values;
}

RunRecorder::Values Station::EntryValues(uint32_t index) const {
  const engine::ResultPoint& entry = results_.Entries[engine::EntryIndex(index)];
  RunRecorder::Values values;
  values.Step = index;
  values.FrequencyMhz = entry.Frequency / 1'000'000.0;
  values.TargetVm = run_.TargetLevel;
  values.LevelVm = entry.Level;
  values.Dac = link_.DacValue;
  values.Eut = entry.EutStatus;
  return values;
}

std::string Station::RunStartText() {
  const auto mhz = [](uint32_t hz) { return records::RunLogNumber(hz / 1'000'000.0, 3); };
  const auto named = [](std::span<const std::string_view> names, std::size_t index) {
    return index < names.size() ? std::string(names[index]) : std::to_string(index);
  };
  static constexpr std::array<std::string_view, 5> kModulations = {
      "None", "1 Hz Pulse", "20 Hz Pulse", "200 Hz Pulse", "1 KHz AM"};
  static constexpr std::array<std::string_view, 3> kPrompts = {"Off", "Pulse", "On"};
  static constexpr std::array<std::string_view, 3> kStatuses = {"Off", "Halt", "Continue"};
  const auto column = [this](uint8_t instance, std::size_t at) {
    return screen_.devices.Get(instance, at);
  };
  static constexpr std::array<std::string_view, 3> kAmplifiers = {"PA Other", "Kestrel Series",
                                                                  "Vantor"};
  const uint8_t config = link_.AmplifierConfig;
  // The mode the run has, which the label may not show yet (a pre-scan just opened).
  const std::string mode = setup::ModeLabel(setup_.TestMode).empty()
                               ? screen_.monitor.mode_label
                               : std::string(setup::ModeLabel(setup_.TestMode));
  const auto vm = [](float level) { return records::RunLogNumber(level, 2) + " V/m"; };
  std::vector<std::pair<std::string, std::string>> pairs = {
      {"program", std::string(kSoftwareVersion)},
      {"mode", run_.PreScanRunning ? "Pre-Scan (" + mode + ")" : mode}};
  // What the mode runs on: a single frequency's level and dwell, a custom scan's grid, a
  // standard scan's range and field.
  if (setup::IsSingleMode(setup_.TestMode)) {
    pairs.insert(pairs.end(), {{"frequency", mhz(setup_.CurrentFrequency) + " MHz"},
                               {"level", vm(setup_.SingleLevel)},
                               {"auto increase", setup_.AutoIncrease ? "on" : "off"},
                               {"start level", vm(setup_.StartLevel)},
                               {"end level", vm(setup_.EndLevel)},
                               {"level step", vm(setup_.LevelStep)},
                               {"dwell", std::to_string(setup_.SingleDwell) + " s"}});
  } else if (setup::IsCustomMode(setup_.TestMode)) {
    std::string grid;
    for (const setup::CustomRow& row : setup_.CustomList) {
      if (row.Frequency == 0) continue;
      if (!grid.empty()) grid += ", ";
      grid += mhz(row.Frequency) + " MHz " + vm(row.Level);
    }
    pairs.insert(pairs.end(), {{"grid", grid},
                               {"step", records::RunLogNumber(setup_.StepPercent, 2) + " %"},
                               {"dwell", std::to_string(setup_.DwellTime) + " s"}});
  } else {
    pairs.insert(pairs.end(), {{"start", mhz(setup_.StartFrequency) + " MHz"},
                               {"finish", mhz(setup_.EndFrequency) + " MHz"},
                               {"step", records::RunLogNumber(setup_.StepPercent, 2) + " %"},
                               {"field", vm(setup_.FieldStrength)},
                               {"dwell", std::to_string(setup_.DwellTime) + " s"}});
  }
  pairs.insert(pairs.end(), {
      {"modulation", named(kModulations, setup_.ModulationType)},
      {"EUT Prompt", named(kPrompts, setup_.EutPromptMode)},
      {"EUT Status", named(kStatuses, setup_.EutStatusMode)},
      {"title", records_.DisplayTitle},
      {"procedure", records_.ProcedureName},
      {"cell serial", config_.CellSerial},
      {"cell file", CellFileOnly(calib::CellFileName(config_.DefaultPath, config_.CellSerial))},
      {"amplifiers", config < kAmplifiers.size() ? std::string(kAmplifiers[config]) : ""},
      {"synthesiser", link_.ModelName},
      {"synthesiser serial", link_.SynthPresent ? column(link_.SynthInstance, 3) : ""},
      {"synthesiser version", link_.HardwareVersionText},
      {"Salvo serial", link_.SalvoPresent ? column(link_.SalvoInstance, 3) : ""},
      {"Salvo version", link_.SalvoPresent ? column(link_.SalvoInstance, 4) : ""},
  });
  std::string text;
  for (const auto& [key, value] : pairs) {
    if (!text.empty()) text += "; ";
    text += key + "=" + records::StartValue(value);
  }
  return text;
}

calib::SettingsContext Station::SettingsContextFor() {
  return calib::SettingsContext{config_, setup_, cell_, link_, screen_, op_,
                                [this] { commands_.RequestVersion(); }};
}

calib::CellFileContext Station::CellContext() {
  return calib::CellFileContext{cell_, config_, link_, op_};
}

void Station::LoadCell() {
  auto context = CellContext();
  calib::LoadCellTable(context);
}

records::RecordFilesContext Station::FilesContext() {
  return records::RecordFilesContext{records_,
                                     setup_,
                                     results_,
                                     pre_scan_,
                                     screen_,
                                     link_.AmplifierConfig,
                                     config_.FileDelimiter,
                                     [this] { commands_.RequestVersion(); },
                                     [this] { setup::ShowModulation(setup_, screen_); },
                                     [this] { return screen_.clock_label; }};
}

void Station::SaveRecovery(uint32_t index) {
  // Saved as a results file is once the step is counted, so that reopening the file
  // takes the step just recorded as one of the results.
  const uint32_t next = results_.NextIndex;
  results_.NextIndex = index + 1;
  recovery_->Save(FilesContext(), run_.PreScanRunning);
  results_.NextIndex = next;
}

void Station::ReloadPreScanSetup() {
  try {
    records::OpenPreScanFile(FilesContext());
  } catch (const platform::FileError& error) {
    op_.Show(platform::MessageKind::Error, error.what());
  }
}

bool Station::SaveTempPreScan() {
  try {
    records::SavePreScanFile(FilesContext(), config_.DefaultPath + std::string(kTempPreScanFile),
                             records::PreScanFrequencies::FromResults);
    return true;
  } catch (const platform::FileError& error) {
    op_.Show(platform::MessageKind::Error, error.what());
    return false;
  }
}

void Station::StartUp() {
  start_timer_->SetEnabled(false);
  if (started_up_) return;
  started_up_ = true;

  auto settings = SettingsContextFor();
  calib::LoadSettingsOrDefaults(settings);
  if (local_time_) last_clock_ = local_time_();
  recovery_->RecoverLeftOver(last_clock_);

  const auto description_file =
      platform::FindFileIgnoringCase(config_.DefaultPath, calib::kAdapterDescriptionFile);
  if (!description_file || !calib::ReadAdapterDescriptions(*description_file)) {
    screen::Tell(op_, screen::msg::kUsbTextMissing);
  }

  link::IdentifyAdapters(
      access_, commands_,
      link::IdentifyHooks{[this] { calib::LoadSalvoSettings(config_.DefaultPath, link_, op_); },
                          [this] { sequencer_->UpdateLamps(); }});
  LoadCell();
  sequencer_->UpdateLamps();

  if (link_.SynthPresent) {
    commands_.RequestStatus();
    status_timer_->SetEnabled(true);
    for (int line = 0; line <= kLastOutputLine; ++line) access_.ClearOutputBit(line);
    screen::Buttons& buttons = screen_.buttons;
    for (screen::Button* button :
         {&buttons.run, &buttons.pre_scan, &buttons.custom_scan, &buttons.single_point,
          &buttons.dwell, &buttons.standard_scan, &buttons.report_results}) {
      button->enabled = true;
    }
  }

  validation_->UpdateEstimatedTime();
  setup_.TestMode = setup::kStandard;
  screen_.monitor.mode_label = "STANDARD";
  screen_.single.visible = false;
  screen_.report_visible = false;
  screen_.setup.visible = true;
  setup::ShowModeLabel(setup_, screen_);
  setup::ShowModulation(setup_, screen_);
  validation_->RefreshSetupDisplay();
  sequencer_->UpdateControls();
  screen_.splash.visible = false;
}

void Station::ClockTick() {
  if (local_time_) last_clock_ = local_time_();
  screen_.clock_label = ClockText(last_clock_);
  clock_timer_->SetInterval(kClockMs);
}

bool Station::RequestClose() {
  if (closed_) return true;
  if (!screen::Ask(op_, screen::msg::kCloseQuestion, {link_.ModelName})) {
    return false;
  }
  if (run_.Running) recorder_->Add(records::run_event::kStop, Now("window closed"));
  sequencer_->AbandonRun();
  run_.Phase = engine::RunPhase::Idle;
  if (sequencer_->InLoop()) {
    // Nothing is closed under the sequencer: the closing steps follow its return.
    close_pending_ = true;
  } else {
    Close();
    loop_.Quit();
  }
  return true;
}

void Station::AfterLoopUnwound() {
  if (!close_pending_ || sequencer_->InLoop()) return;
  close_pending_ = false;
  Close();
  loop_.Quit();
}

void Station::Close() {
  if (closed_) return;
  closed_ = true;
  auto settings = SettingsContextFor();
  calib::SaveSettings(settings);
  if (link_.SynthPresent) {
    for (int line = 0; line <= kLastOutputLine; ++line) access_.ClearOutputBit(line);
  }
  commands_.SelectAmplifier(link::kNoAmplifier);
  for (auto* timer : {&start_timer_, &clock_timer_, &status_timer_, &modulation_timer_,
                      &strip_timer_, &pulse_timer_}) {
    (*timer)->SetEnabled(false);
  }
  run_.Running = false;
  // Every adapter handle still held is closed, and forgotten so nothing reaches it.
  if (link_.SynthHandle != 0) adapters_.CloseDeviceInstance(link_.SynthHandle);
  if (link_.SalvoHandle != 0 && link_.SalvoHandle != link_.SynthHandle) {
    adapters_.CloseDeviceInstance(link_.SalvoHandle);
  }
  link_.SynthHandle = 0;
  link_.SalvoHandle = 0;
}

// --- buttons

void Station::PressRun() {
  if (!screen_.buttons.run.enabled) return;
  if (run_.Running) recorder_->Add(records::run_event::kStop, Now("STOP"));
  sequencer_->PressRun();
  AfterLoopUnwound();
}

void Station::PressPreScan() {
  if (!screen_.buttons.pre_scan.enabled) return;
  if (run_.PreScanRunning) recorder_->Add(records::run_event::kStop, Now("STOP"));
  sequencer_->PressPreScan();
  AfterLoopUnwound();
}

void Station::PressDwell() {
  if (!screen_.buttons.dwell.enabled) return;
  sequencer_->PressDwell();
  recorder_->Add(run_.DwellHold ? records::run_event::kHold : records::run_event::kRelease,
                 Now());
}

void Station::PressStandardScan() {
  if (screen_.buttons.standard_scan.enabled) SwitchToStandard();
}

void Station::PressCustomScan() {
  if (screen_.buttons.custom_scan.enabled) SwitchToCustom();
}

void Station::PressSinglePoint() {
  if (screen_.buttons.single_point.enabled) setup::SwitchMode(*modes_, setup::kSingle);
}

// The menu items switch whatever the buttons' state: the menu is closed during a run, and
// without a synthesiser the operator can still prepare a setup of any mode.
void Station::MenuStandardMode() {
  if (screen_.menus.mode_enabled) SwitchToStandard();
}

void Station::MenuCustomScan() {
  if (screen_.menus.mode_enabled) SwitchToCustom();
}

void Station::MenuSingleFrequencyMode() {
  if (screen_.menus.mode_enabled) setup::SwitchMode(*modes_, setup::kSingle);
}

void Station::SwitchToStandard() {
  setup::SwitchMode(*modes_, pre_scan_.Available ? setup::kPreScanStandard : setup::kStandard);
}

void Station::SwitchToCustom() {
  setup::SwitchMode(*modes_, pre_scan_.Available ? setup::kPreScanCustom : setup::kCustom);
}

void Station::ValidateForReport() {
  if (screen_.setup.test_type.enabled) return;
  switch (setup_.TestMode) {
    case setup::kStandard:
      validation_->ValidateStandard();
      break;
    case setup::kSingle:
      validation_->ValidateSingle();
      break;
    case setup::kCustom:
      validation_->ValidateCustom();
      break;
    default:
      break;
  }
}

void Station::PressReportResults() {
  if (!screen_.buttons.report_results.enabled) return;
  const int range = screen_.setup.range.index;
  if (range >= 0 && range <= 2) setup_.RangeChoice = static_cast<uint8_t>(range);
  ValidateForReport();
  screen_.setup.visible = false;
  screen_.single.visible = false;
  screen_.setup.custom.visible = false;
  screen_.graph.range_checked = setup_.RangeChoice;
  screen_.report_visible = true;
  Repaint();
}

void Station::PressPlotPreScan() {
  if (!screen_.plot_prescan_visible || !screen_.plot_prescan_enabled) return;
  screen_.graph.show_prescan_curve = true;
  Redraw();
}

void Station::ChooseGraphRange(int index) {
  if (index < 0 || index > 2) return;
  setup_.RangeChoice = static_cast<uint8_t>(index);
  screen_.graph.range_checked = index;
  Repaint();
}

void Station::PressFrequencyUp() {
  if (screen_.single.step_buttons_enabled) single_->FrequencyUp();
}
void Station::PressFrequencyDown() {
  if (screen_.single.step_buttons_enabled) single_->FrequencyDown();
}
void Station::PressLevelUp() {
  if (screen_.single.step_buttons_enabled) single_->LevelUp();
}
void Station::PressLevelDown() {
  if (screen_.single.step_buttons_enabled) single_->LevelDown();
}

// --- fields

void Station::LeaveSetupField() { validation_->ValidateByMode(); }

void Station::LeaveSingleFrequency() {
  if (screen_.single.frequency.enabled) single_->FrequencyEdited();
}

void Station::LeaveSingleLevel() {
  if (screen_.single.level.enabled) single_->LevelEdited();
}

void Station::ClickAutoIncrease(bool checked) {
  if (!screen_.single.auto_increase.enabled) return;
  screen_.single.auto_increase.checked = checked;
  validation_->ValidateByMode();
}

void Station::ClickStopOnEutFault(bool checked) {
  if (!screen_.single.stop_on_eut_fault.enabled) return;
  screen_.single.stop_on_eut_fault.checked = checked;
  validation_->ValidateByMode();
}

void Station::ClickCustomGrid() { screen_.setup.custom.hint_shown = false; }

// --- choices

void Station::ChooseTestType(int index) {
  if (screen_.setup.test_type.enabled) setup::ChooseTestType(*modes_, index);
}
void Station::ChooseRange(int index) {
  if (screen_.setup.range.enabled) setup::ChooseRange(*modes_, index);
}
void Station::ChooseEutStatus(int index) { setup::ChooseEutStatus(*modes_, index); }
void Station::ChooseEutPrompt(int index) { setup::ChooseEutPrompt(*modes_, index); }
void Station::ChooseSetupModulation(int index) { setup::ChooseSetupModulation(*modes_, index); }
void Station::ChooseSingleModulation(int index) {
  if (screen_.single.modulation_enabled) setup::ChooseSingleModulation(*modes_, index);
}

// --- menus

void Station::DisplayClear() {
  if (screen_.menus.clear_enabled) engine::ClearCommand(results_, screen_, op_);
}

void Station::ToggleFieldWarnings() {
  screen_.menus.show_field_warnings = !screen_.menus.show_field_warnings;
}

void Station::IecDomesticCommercial() {
  if (screen_.menus.mode_enabled) setup::ApplyIecPreset(*modes_, setup::IecPreset::DomesticCommercial);
}

void Station::IecIndustrial() {
  if (screen_.menus.mode_enabled) setup::ApplyIecPreset(*modes_, setup::IecPreset::Industrial);
}

void Station::ChooseAmplifierConfig(uint8_t config) {
  if (config > 2) return;
  link_.AmplifierConfig = config;
  Repaint();
}

void Station::InstallCellFile() {
  auto context = CellContext();
  calib::InstallCellFile(context);
}

void Station::OpenSystemDetails() {
  calib::OpenSystemDetails(access_, config_, screen_.system_details);
}

void Station::AcceptSystemDetails() {
  if (!screen_.system_details.accept_enabled) return;
  auto context = CellContext();
  calib::AcceptSystemDetails(screen_.system_details, context);
}

void Station::SetResumeCommand(std::string program) {
  recovery_->SetResumeCommand(std::move(program));
}

bool Station::ResumeOffered() const {
  return started_up_ && link_.SynthPresent && !run_.Running && results_origin_ &&
         !results_origin_->PreScan && engine::ResultCount(results_) > 0;
}

std::variant<engine::ResumePoint, const screen::MessageEntry*> Station::FindResumePoint() const {
  if (!results_origin_) return &screen::msg::kResumeNoResults;
  return engine::FindResumePoint(results_origin_->Setup, results_origin_->PreScan, results_,
                                 pre_scan_);
}

void Station::ResumeRun() {
  if (run_.Running || !link_.SynthPresent) return;
  const auto found = FindResumePoint();
  if (const auto* refusal = std::get_if<const screen::MessageEntry*>(&found)) {
    screen::Tell(op_, **refusal);
    return;
  }
  const engine::ResumePoint point = std::get<engine::ResumePoint>(found);
  if (!op_.Ask(screen::msg::kResumeQuestion.Kind, engine::ResumeQuestion(point))) return;
  ResumeAt(point);
}

void Station::ResumeAt(const engine::ResumePoint& point) {
  if (run_.Running || !link_.SynthPresent || !results_origin_) return;
  // The results' own setup goes back in force, as opening their file puts it.
  setup_ = results_origin_->Setup;
  records::ApplyLoadedTestType(setup_, pre_scan_, screen_);
  if (setup_.TestMode > setup::kPreScanOffset) {
    screen_.setup.test_type.enabled = true;
    screen_.setup.test_type.index = kPreScannedTestType;
  }
  setup::SwitchMode(*modes_, setup_.TestMode);
  validation_->RefreshSetupDisplay();
  Repaint();
  sequencer_->PressResume(point);
  AfterLoopUnwound();
}

void Station::EditTitle() {
  const auto title =
      screen::AskInput(op_, screen::msg::kTitleInput, records_.DisplayTitle, {link_.ModelName});
  if (title) {
    screen_.title_label = *title;
    records_.DisplayTitle = *title;
  }
  Repaint();
}

// --- the notes dialog

void Station::OpenNotes() {
  screen_.notes.caption = screen_.caption + " Notes";
  screen_.notes.text = NotesText(records_.NoteLines);
  screen_.notes.visible = true;
}

void Station::EditNotes(std::string text) {
  screen_.notes.text = LimitNotesEdit(screen_.notes.text, std::move(text));
}

void Station::ClearNotes() { screen_.notes.text.clear(); }

void Station::ExitNotes() {
  if (!screen_.notes.visible) return;
  StoreNotes(screen_.notes.text, records_.NoteLines);
  CloseNotes();
}

void Station::CloseNotes() {
  screen_.notes.visible = false;
  Repaint();
}

// --- the screen settings dialog

void Station::OpenScreenSettings() {
  screen_.screen_settings.caption = screen_.caption + " Screen Colours";
  screen_.screen_settings.grid_range = GridRangeText(cell_.MaxField);
  screen_.screen_settings.visible = true;
}

void Station::ChooseScreenColour(ScreenColour which) {
  station::ChooseScreenColour(config_, op_, which);
  Repaint();
}

void Station::DefaultScreenColours() {
  if (RevertToDefaultColours(config_, op_)) Repaint();
}

void Station::AcceptScreenSettings() {
  if (!screen_.screen_settings.visible) return;
  AcceptGridRange(screen_.screen_settings.grid_range, cell_.MaxField);
  CloseScreenSettings();
}

void Station::CloseScreenSettings() {
  screen_.screen_settings.visible = false;
  Repaint();
}

// --- the about dialog

void Station::OpenAbout() {
  screen_.about.caption = "About " + screen_.caption;
  screen_.about.software_version = std::string(kSoftwareVersion);
  screen_.about.visible = true;
  access_.SendSynth(kVersionRequest);
  access_.ReadSynthReplies();
}

void Station::CloseAbout() { screen_.about.visible = false; }

// --- the diagnostics window

void Station::ShowDiagnostics() {
  screen_.diagnostics.caption = link_.ModelName + " Diagnostics";
  screen_.diagnostics.visible = true;
  Repaint();
}

void Station::HideDiagnostics() { screen_.diagnostics.visible = false; }

void Station::ClearDiagnosticsList() { screen_.diagnostics.messages.clear(); }

void Station::SaveDiagnosticsList() {
  const auto path = op_.SaveFile(platform::FileDialogRequest{
      std::string(screen::msg::kSaveDiagnosticsTitle.Text), "Report Files|*.txt", "TXT", ""});
  if (!path) return;
  try {
    WriteDiagnosticsList(*path, screen_.diagnostics.messages);
  } catch (const platform::FileError& error) {
    op_.Show(platform::MessageKind::Error, error.what());
  }
}

// --- the engineering test window

void Station::OpenTestForm() { test_form_->Open(); }
void Station::CloseTestForm() { test_form_->Close(); }
void Station::TestFormBack() { test_form_->Back(); }
void Station::TestFormToggleLine(int line) { test_form_->ToggleLine(line); }
void Station::TestFormSetFrequency() { test_form_->SetFrequency(); }
void Station::TestFormSetAmplitude() { test_form_->SetAmplitude(); }
void Station::TestFormReset() { test_form_->Reset(); }
void Station::TestFormCalculate() { test_form_->Calculate(); }
void Station::TestFormTransmitPacket() { test_form_->TransmitPacket(); }
void Station::TestFormSendString() { test_form_->SendString(); }
void Station::TestFormRead() { test_form_->Read(); }
void Station::TestFormReadRepeatedly() { test_form_->ReadRepeatedly(); }
void Station::TestFormForceRead() { test_form_->ForceRead(); }
void Station::TestFormChooseDevice(int index) { test_form_->ChooseDevice(index); }
void Station::TestFormEnumerate() { test_form_->Enumerate(); }

// --- window events

void Station::Paint() {
  screen_.window_caption = screen_.caption;
  screen_.menus.amplifier_checked = link_.AmplifierConfig;
  screen_.setup.range.enabled = true;
  screen_.graph.range_buttons_visible = true;
  screen_.menus.save_as_prescans_enabled = pre_scan_.Available;
  Redraw();
}

// The window places the three panels at the work area's corner itself.
void Station::Activate() { calib::ApplyCellRange(cell_, op_); }

void Station::FocusReportPanel() { screen_.graph.range_checked = setup_.RangeChoice; }

void Station::Redraw() {
  // The graph anchors a scan's curve at entry 0; the saved files carry it too.
  if (!setup::IsSingleMode(setup_.TestMode)) {
    results_.Entries[0].Frequency = results_.Entries[1].Frequency;
    results_.Entries[0].Level = results_.Entries[1].Level;
  }
  ++screen_.graph.redraws;
}

void Station::Repaint() {
  ++screen_.repaints;
  Paint();
}

}  // namespace tarvos::station
