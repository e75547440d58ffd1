#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "calib/cell_table.h"
#include "calib/cell_file.h"
#include "calib/settings.h"
#include "calib/settings_file.h"
#include "engine/engine_context.h"
#include "engine/result_store.h"
#include "engine/resume.h"
#include "engine/run_state.h"
#include "engine/sequencer.h"
#include "engine/single_frequency.h"
#include "link/adapter_access.h"
#include "link/adapter_link.h"
#include "link/command_set.h"
#include "link/link_events.h"
#include "platform/adapter_library.h"
#include "platform/event_loop.h"
#include "platform/operator.h"
#include "records/file_records.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/modes.h"
#include "setup/test_setup.h"
#include "setup/validation.h"
#include "station/dialogs.h"
#include "station/file_commands.h"
#include "station/records_menu.h"
#include "station/recovery.h"
#include "station/run_recorder.h"
#include "station/test_form.h"

namespace tarvos::station {

// Window timer intervals, ms.
inline constexpr uint32_t kStartUpMs = 2500;
inline constexpr uint32_t kClockFirstMs = 1000;
inline constexpr uint32_t kClockMs = 30000;
inline constexpr uint32_t kStatusPollMs = 5000;
inline constexpr uint32_t kModulationDelayMs = 3000;
inline constexpr uint32_t kStripChartMs = 1000;
inline constexpr uint32_t kEutPulseMs = 1000;

inline constexpr std::string_view kTempPreScanFile = "tempprescan.psc";

// The local date and time as the clock shows it.
struct ClockReading {
  int Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};
// "d mmmm yyyy hh:nn" and "h:nn:ss".
std::string ClockText(const ClockReading& time);
std::string TimeOfDayText(const ClockReading& time);

// What a station is made with.
struct StationParts {
  platform::EventLoop& Loop;
  platform::AdapterLibrary& Adapters;
  platform::Operator& Op;
  std::string ProgramFolder;                 // ends with "/"
  std::function<ClockReading()> LocalTime;   // the clock's source
};

// The main window without its widgets: one instance of every record and part, wired,
// and a handler for every operator action. The window draws Screen() after every handler
// and every pass of a wait, and writes the operator's edits into it before a handler.
class Station {
 public:
  explicit Station(StationParts parts);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // --- start and close
  // The start-up timer's handler (it fires once, 2500 ms after the station is made).
  void StartUp();
  bool StartedUp() const { return started_up_; }
  // The close question; true when the window may close. A run in progress ends as
  // stopped; the closing steps run once the sequencer has unwound (at once when no run
  // is in progress), and then the loop is asked to quit.
  bool RequestClose();
  // The closing steps: settings saved, output lines cleared, amplifiers disconnected,
  // timers stopped, adapters closed. Runs once.
  void Close();
  bool Closed() const { return closed_; }

  // --- buttons
  void PressRun();
  void PressPreScan();
  void PressDwell();
  void PressStandardScan();
  void PressCustomScan();
  void PressSinglePoint();
  void PressReportResults();
  void PressPlotPreScan();
  void ChooseGraphRange(int index);
  void PressFrequencyUp();
  void PressFrequencyDown();
  void PressLevelUp();
  void PressLevelDown();

  // --- fields (the edited text is already in Screen())
  void LeaveSetupField();        // Start, Finish, Step, Field, Estimated Time, the grid,
                                 // Start Level, End Level, Step Size, single Dwell Time
  void EnterInSetupField() {}    // Start, Finish, Step, Field, Dwell Time (secs): nothing
  void EnterInSingleSetupField() { LeaveSetupField(); }  // Start/End Level, Step Size, Dwell
  void LeaveSingleFrequency();   // also Enter
  void LeaveSingleLevel();       // also Enter
  void ClickAutoIncrease(bool checked);
  void ClickStopOnEutFault(bool checked);
  void ClickCustomGrid();

  // --- radio groups and lists
  void ChooseTestType(int index);
  void ChooseRange(int index);
  void ChooseEutStatus(int index);
  void ChooseEutPrompt(int index);
  void ChooseSetupModulation(int index);
  void ChooseSingleModulation(int index);

  // --- menus
  FileCommands& Files() { return *files_; }
  void DisplayClear();
  void ToggleFieldWarnings();
  void IecDomesticCommercial();
  void IecIndustrial();
  void MenuStandardMode();         // "&Standard Mode"
  void MenuSingleFrequencyMode();  // "Single &Frequency Mode"
  void MenuCustomScan();           // "&Custom Scan"
  void ChooseAmplifierConfig(uint8_t config);  // "&PA Other" 0, "&Kestrel Series" 1, "&Vantor" 2
  void InstallCellFile();
  void OpenSystemDetails();
  void AcceptSystemDetails();
  void EditTitle();
  // "&Resume Run" (Records): the interrupted scan in the store goes on where it stopped,
  // with the results' own setup, once the operator agrees; a refusal says why not.
  void ResumeRun();
  // The item is offered while results are in the store and no run is in progress.
  bool ResumeOffered() const;
  // The parts of it: where the results in the store would go on, or why they cannot;
  // and the resume itself, without the question (a batch run has been told to).
  std::variant<engine::ResumePoint, const screen::MessageEntry*> FindResumePoint() const;
  void ResumeAt(const engine::ResumePoint& point);

  // --- the notes dialog ("&Notes..."): Screen().notes
  void OpenNotes();                  // activation: the eight note lines into the text box
  void EditNotes(std::string text);  // the text box changed; refused past 540 characters
  void ClearNotes();                 // "Clear"
  void ExitNotes();                  // "Exit": lines 1 to 8 into the notes, close, repaint
  void CloseNotes();                 // closed without "Exit": the notes stay as they were

  // --- the screen settings dialog ("&Settings..."): Screen().screen_settings
  void OpenScreenSettings();                    // activation: caption, grid range text
  void ChooseScreenColour(ScreenColour which);  // the seven colour buttons
  void DefaultScreenColours();                  // "Default"
  void AcceptScreenSettings();                  // "Accept": the grid range, close
  void CloseScreenSettings();                   // closed without "Accept"

  // --- the about dialog ("&About..."): Screen().about
  void OpenAbout();   // activation: version label, version request
  void CloseAbout();  // "Back"

  // --- the diagnostics window ("&Diagnostics"): Screen().diagnostics
  void ShowDiagnostics();       // the menu item: caption, shown, repaint
  void HideDiagnostics();       // "Hide"
  void ClearDiagnosticsList();  // "Clear List"
  void SaveDiagnosticsList();   // "Save List"

  // --- the engineering test window (right button on the clock): Screen().test_form
  void OpenTestForm();
  void CloseTestForm();                  // the window's close box
  void TestFormBack();                   // "Back"
  void TestFormToggleLine(int line);     // "Range 0" 9, "Range 1" 10, "Modulation 1KHz" 11,
                                         // "PLL Switch" 0, "EUT Prompt" 12
  void TestFormSetFrequency();           // "Set Frequency"
  void TestFormSetAmplitude();           // "Set Amplitude"
  void TestFormReset();                  // "Reset"
  void TestFormCalculate();              // "Calculate"
  void TestFormTransmitPacket();         // "I2C Transmit Packet"
  void TestFormSendString();             // "Send I2C String"
  void TestFormRead();                   // "I2C Read"
  void TestFormReadRepeatedly();         // "Read 1000 times"
  void TestFormForceRead();              // "Force Read"
  void TestFormChooseDevice(int index);  // "Tarvos" 0, "Salvo" 1
  void TestFormEnumerate();              // "Enumerate all USB Devices"
  const station::TestForm& TestWindow() const { return *test_form_; }

  // --- window events
  void Paint();             // the paint handler: caption, Configure checks, Range, Pre-Scans item
  void Activate();          // the activation handler: the cell's range
  void FocusReportPanel();  // the report panel checks the graph-range button of RangeChoice
  void Redraw();            // a graph redraw request
  void Repaint();

  // --- what the window (and the batch run) reads
  screen::Screen& Screen() { return screen_; }
  setup::TestSetup& Setup() { return setup_; }
  engine::ResultStore& Results() { return results_; }
  engine::PreScanTable& PreScan() { return pre_scan_; }
  engine::RunState& Run() { return run_; }
  link::AdapterLink& Link() { return link_; }
  calib::CellTable& Cell() { return cell_; }
  calib::Settings& Config() { return config_; }
  records::FileRecords& Records() { return records_; }
  setup::ValidationState& Validation() { return validation_state_; }
  engine::Sequencer& Sequencer() { return *sequencer_; }
  const std::string& ProgramFolder() const { return config_.DefaultPath; }
  // The results of the run in progress, saved after every recorded step.
  std::string RecoveryPath() const { return recovery_->Path(); }

  // The log of the running or the last run, and the Records menu.
  const RunRecorder& Recorder() const { return *recorder_; }
  RecordsMenu& RecordsWindows() { return *records_menu_; }

  // Hooks for the batch run.
  void OnRecorded(std::function<void(uint32_t index)> listener) { recorded_ = std::move(listener); }
  // A run without the window: what start-up says of a recovered run gives the command
  // line of this program that resumes it.
  void SetResumeCommand(std::string program);
  // The name of the results file in the store as the operator gave it (the path it was
  // opened from until then); a resume's log row names it.
  void NameResults(std::string name) { results_name_ = std::move(name); }
  void OnRunEnded(std::function<void(engine::EndReason)> listener) { run_ended_ = std::move(listener); }

 private:
  // Relays the link's events to the sequencer, which is made after the link.
  class EventsRelay final : public link::LinkEvents {
   public:
    engine::Sequencer* Target = nullptr;
    std::function<void()> AfterStatus;  // the run's log reads the EUT bit
    void StatusByte(uint8_t status) override;
    void CannotReachSetPoint() override;
    void ControlsChanged() override;
    bool RunPhaseActive() const override;
  };

  void ClockTick();
  // What the run's log records: the start's setup, and the state at this moment (the
  // frequency in force, the target, the run phase) or of an entry.
  std::string RunStartText();
  RunRecorder::Values Now(std::string text = {}) const;
  RunRecorder::Values EntryValues(uint32_t index) const;
  void SwitchToStandard();  // mode 1, or 11 while a pre-scan is available
  void SwitchToCustom();    // mode 3, or 13
  void LoadCell();
  bool SaveTempPreScan();
  void SaveRecovery(uint32_t index);
  // The setup kept with the pre-scan, when the operator keeps the pre-scan.
  void ReloadPreScanSetup();
  records::RecordFilesContext FilesContext();
  calib::SettingsContext SettingsContextFor();
  calib::CellFileContext CellContext();
  void AfterLoopUnwound();
  void ValidateForReport();

  platform::EventLoop& loop_;
  platform::AdapterLibrary& adapters_;
  platform::Operator& op_;
  std::function<ClockReading()> local_time_;
  ClockReading last_clock_;

  screen::Screen screen_;
  link::AdapterLink link_;
  EventsRelay relay_;
  link::AdapterAccess access_;
  link::CommandSet commands_;
  setup::TestSetup setup_;
  setup::ValidationState validation_state_;
  calib::CellTable cell_;
  calib::Settings config_;
  engine::ResultStore results_;
  engine::PreScanTable pre_scan_;
  engine::RunState run_;
  records::FileRecords records_;
  std::unique_ptr<setup::SetupValidation> validation_;
  engine::RunTimers run_timers_;
  std::unique_ptr<platform::Timer> start_timer_, clock_timer_, status_timer_, modulation_timer_,
      strip_timer_, pulse_timer_;
  std::unique_ptr<engine::EngineContext> engine_;
  std::unique_ptr<engine::Sequencer> sequencer_;
  std::unique_ptr<engine::SingleFrequency> single_;
  std::unique_ptr<setup::ModeContext> modes_;
  std::unique_ptr<FileCommands> files_;
  std::unique_ptr<station::TestForm> test_form_;
  std::unique_ptr<RecoveryFile> recovery_;
  std::unique_ptr<RunRecorder> recorder_;
  std::optional<RunRecorder::Moment> run_began_;  // RUN's moment, until the run's log starts
  std::unique_ptr<RecordsMenu> records_menu_;

  // The setup that recorded the results in the store (the setup in force at its latest
  // step, or the file's), and whether they are a pre-scan's.
  struct ResultsOrigin {
    setup::TestSetup Setup;
    bool PreScan = false;
  };
  std::optional<ResultsOrigin> results_origin_;
  // The results file the store was opened from ("" once a run records its own).
  std::string results_name_;

  std::function<void(uint32_t)> recorded_;
  std::function<void(engine::EndReason)> run_ended_;
  bool started_up_ = false;
  bool close_pending_ = false;
  bool closed_ = false;
};

}  // namespace tarvos::station
