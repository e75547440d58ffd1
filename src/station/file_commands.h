#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/run_state.h"
#include "platform/operator.h"
#include "platform/text_file.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/validation.h"

namespace tarvos::station {

// What the File menu's commands read and change besides the records.
struct FileCommandsContext {
  records::RecordFilesContext Files;
  setup::SetupValidation& Validation;
  engine::RunState& Run;  // the Open commands are refused while a run is in progress
  platform::Operator& Op;
  screen::Screen& Screen;
  std::function<void(uint8_t mode)> SwitchMode;
  std::function<void()> Redraw;   // the graph
  std::function<void()> Repaint;  // the main window
  // Results and their setup have been read from the file at the path.
  std::function<void(const std::string& path)> ResultsOpened;
};

// The File menu: Open and Save As of results, setup and pre-scans, and Save Results.
// Each command catches the file error it raises and shows it; none throws.
class FileCommands {
 public:
  explicit FileCommands(FileCommandsContext context) : context_(std::move(context)) {}

  // With their dialogs.
  void OpenResults();
  void OpenSetup();
  void OpenPreScans();
  void SaveResults();
  void SaveAsResults();
  void SaveAsSetup();
  void SaveAsPreScans();

  // The same commands on a path chosen already (the batch run): true when the file
  // was read or written.
  bool OpenResultsFrom(const std::string& path);
  // The same on a file read in earlier, under its path.
  bool OpenResultsRead(const std::string& path, platform::TextReader reader);
  bool OpenSetupFrom(const std::string& path);
  bool OpenPreScansFrom(const std::string& path);
  bool SaveResultsTo(const std::string& path);
  bool SaveSetupTo(const std::string& path);
  bool SavePreScansTo(const std::string& path);

 private:
  bool OpenResults(const std::string& path,
                   const std::function<void(const records::RecordFilesContext&)>& read);

  FileCommandsContext context_;
};

}  // namespace tarvos::station
