#include "station/file_commands.h"

#include <optional>
#include <string_view>

#include "engine/result_operations.h"
#include "platform/text_file.h"
#include "records/prescan_file.h"
#include "records/results_file.h"
#include "records/setup_file.h"
#include "screen/messages.h"
#include "setup/modulation_display.h"
#include "setup/test_setup.h"

namespace tarvos::station {
namespace {

using platform::FileDialogRequest;
using platform::MessageKind;

constexpr std::string_view kResultsFilter = "Results Files|*.RF";
constexpr std::string_view kResultsExtension = "RF";
constexpr std::string_view kSetupExtension = "STP";
constexpr std::string_view kPreScanExtension = "PSC";
constexpr std::string_view kFileLabelPrefix = "File : ";
constexpr int kPreScannedTestType = 1;

FileDialogRequest Dialog(const screen::MessageEntry& title, std::string_view filter,
                         std::string_view extension) {
  return FileDialogRequest{std::string(title.Text), std::string(filter), std::string(extension),
                           {}};
}

// Runs one file operation; a file error is shown as the platform's error box and ends
// the command there, so nothing after a failed read refreshes or validates half a file.
template <typename Operation>
bool Guarded(const FileCommandsContext& context, Operation&& operation) {
  try {
    operation();
    return true;
  } catch (const platform::FileError& error) {
    context.Op.Show(MessageKind::Error, error.what());
    return false;
  }
}

void Repaint(const FileCommandsContext& context) {
  if (context.Repaint) context.Repaint();
}

void Redraw(const FileCommandsContext& context) {
  if (context.Redraw) context.Redraw();
}

void SwitchToLoadedMode(const FileCommandsContext& context) {
  if (context.SwitchMode) context.SwitchMode(context.Files.Setup.TestMode);
}

// An open replaces the setup and the entries the running sequencer works on.
bool OpenRefused(const FileCommandsContext& context) { return context.Run.Running; }

void HideModePanels(screen::Screen& screen) {
  screen.setup.visible = false;
  screen.single.visible = false;
  screen.setup.custom.visible = false;
}

// The report panel after a results file: its graph range is the setup panel's choice,
// and a setup that cannot have come from a pre-scan is checked against this cell.
void ShowLoadedResults(const FileCommandsContext& context) {
  setup::TestSetup& setup = context.Files.Setup;
  screen::Screen& screen = context.Screen;
  const int range = screen.setup.range.index;
  if (range >= 0 && range < setup::kRangeItems) setup.RangeChoice = static_cast<uint8_t>(range);
  if (!screen.setup.test_type.enabled) {
    switch (setup.TestMode) {
      case setup::kStandard:
        context.Validation.ValidateStandard();
        break;
      case setup::kSingle:
        context.Validation.ValidateSingle();
        break;
      case setup::kCustom:
        context.Validation.ValidateCustom();
        break;
      default:
        break;
    }
  }
  HideModePanels(screen);
  screen.graph.range_checked = setup.RangeChoice;
  screen.report_visible = true;
  Redraw(context);
}

// Everything of Open > Pre-Scans after the operator has agreed and chosen the file.
bool LoadPreScans(const FileCommandsContext& context, const std::string& path) {
  const records::RecordFilesContext& files = context.Files;
  engine::ClearResults(files.Results, context.Screen);
  engine::ClearPreScan(files.Results, files.PreScan);
  files.Records.PreScanFileName = path;
  files.SendRequestVersion();
  if (!Guarded(context, [&] { records::OpenPreScanFile(files); })) return false;

  context.Validation.RefreshSetupDisplay();
  context.Validation.ValidateStandard();
  screen::Screen& screen = context.Screen;
  screen.setup.test_type.enabled = true;
  screen.setup.test_type.index = kPreScannedTestType;
  uint8_t& mode = files.Setup.TestMode;
  if (mode >= setup::kStandard && mode <= setup::kCustom) mode += setup::kPreScanOffset;
  files.PreScan.Available = true;
  screen.plot_prescan_visible = true;
  HideModePanels(screen);
  screen.report_visible = true;
  Repaint(context);
  return true;
}

}  // namespace

void FileCommands::OpenResults() {
  if (OpenRefused(context_)) return;
  const auto path = context_.Op.OpenFile(
      Dialog(screen::msg::kOpenResultsTitle, kResultsFilter, kResultsExtension));
  if (path) OpenResultsFrom(*path);
}

void FileCommands::OpenSetup() {
  if (OpenRefused(context_)) return;
  const auto path = context_.Op.OpenFile(
      Dialog(screen::msg::kLoadSetupTitle, "Test Procedures|*.STP", kSetupExtension));
  if (path) OpenSetupFrom(*path);
}

void FileCommands::OpenPreScans() {
  if (OpenRefused(context_)) return;
  if (!context_.Validation.ConfirmTestTypeChange()) return;
  const auto path = context_.Op.OpenFile(
      Dialog(screen::msg::kUsePreScanTitle, "Pre-Scan Values|*.PSC", kPreScanExtension));
  if (path) LoadPreScans(context_, *path);
}

void FileCommands::SaveResults() {
  // The menu item stays disabled until a Save As has named the file.
  if (!context_.Screen.menus.save_results_enabled) return;
  const std::string& name = context_.Files.Records.ResultsFileName;
  if (screen::Ask(context_.Op, screen::msg::kOverwriteFile, {name})) {
    if (!Guarded(context_, [&] { records::SaveResultsFile(context_.Files, name); })) return;
  } else {
    screen::Tell(context_.Op, screen::msg::kNotAffected, {name});
  }
  Repaint(context_);
}

void FileCommands::SaveAsResults() {
  const auto path = context_.Op.SaveFile(
      Dialog(screen::msg::kSaveResultsTitle, kResultsFilter, kResultsExtension));
  if (path) SaveResultsTo(*path);
}

void FileCommands::SaveAsSetup() {
  const auto path = context_.Op.SaveFile(
      Dialog(screen::msg::kSaveSetupTitle, "Setup Procedures|*.STP", kSetupExtension));
  if (path) SaveSetupTo(*path);
}

void FileCommands::SaveAsPreScans() {
  // The menu item is enabled only while a pre-scan is available.
  if (!context_.Files.PreScan.Available) return;
  const auto path = context_.Op.SaveFile(
      Dialog(screen::msg::kSavePreScanTitle, "Pre scans|*.PSC", kPreScanExtension));
  if (path) SavePreScansTo(*path);
}

bool FileCommands::OpenResultsFrom(const std::string& path) {
  return OpenResults(path, [&path](const records::RecordFilesContext& files) {
    records::OpenResultsFile(files, path);
  });
}

bool FileCommands::OpenResultsRead(const std::string& path, platform::TextReader reader) {
  return OpenResults(path, [&reader](const records::RecordFilesContext& files) {
    records::ReadResultsFile(files, reader);
  });
}

bool FileCommands::OpenResults(
    const std::string& path, const std::function<void(const records::RecordFilesContext&)>& read) {
  if (OpenRefused(context_)) return false;
  const records::RecordFilesContext& files = context_.Files;
  files.SendRequestVersion();
  files.Results.ResultsFromFile = true;
  if (!Guarded(context_, [&] { read(files); })) return false;
  files.SendRequestVersion();

  records::ApplyLoadedTestType(files.Setup, files.PreScan, context_.Screen);
  SwitchToLoadedMode(context_);
  context_.Screen.monitor.file_label = std::string(kFileLabelPrefix) + path;
  context_.Validation.RefreshSetupDisplay();
  ShowLoadedResults(context_);
  Repaint(context_);
  if (context_.ResultsOpened) context_.ResultsOpened(path);
  return true;
}

bool FileCommands::OpenSetupFrom(const std::string& path) {
  if (OpenRefused(context_)) return false;
  const records::RecordFilesContext& files = context_.Files;
  const bool read = Guarded(context_, [&] {
    records::OpenSetupFile(files, path, [&] {
      records::ApplyLoadedTestType(files.Setup, files.PreScan, context_.Screen);
      SwitchToLoadedMode(context_);
    });
  });
  if (!read) return false;
  context_.Screen.setup.procedure_label = path;
  context_.Validation.RefreshSetupDisplay();
  Repaint(context_);
  return true;
}

bool FileCommands::OpenPreScansFrom(const std::string& path) {
  if (OpenRefused(context_)) return false;
  if (!context_.Validation.ConfirmTestTypeChange()) return false;
  return LoadPreScans(context_, path);
}

bool FileCommands::SaveResultsTo(const std::string& path) {
  const records::RecordFilesContext& files = context_.Files;
  files.SendRequestVersion();
  files.Records.ResultsFileName = path;
  if (!Guarded(context_, [&] { records::SaveResultsFile(files, path); })) return false;
  files.SendRequestVersion();
  context_.Screen.menus.save_results_enabled = true;
  context_.Screen.monitor.file_label = std::string(kFileLabelPrefix) + path;
  Repaint(context_);
  return true;
}

bool FileCommands::SaveSetupTo(const std::string& path) {
  if (!Guarded(context_, [&] { records::SaveSetupFile(context_.Files, path); })) return false;
  Repaint(context_);
  return true;
}

bool FileCommands::SavePreScansTo(const std::string& path) {
  // After a pre-scan file was opened, or another run refilled the store, only the table
  // still holds the pre-scan's frequencies.
  const bool written = Guarded(context_, [&] {
    records::SavePreScanFile(context_.Files, path, records::PreScanFrequencies::FromPreScanTable);
  });
  if (!written) return false;
  Repaint(context_);
  return true;
}

}  // namespace tarvos::station
