#pragma once

#include <QPrinter>
#include <memory>

#include "station/station.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/run_records.h"
#include "ui/system_details_dialog.h"

namespace tarvos::ui {

// The main window with the dialogs and the printer it keeps beside it, made in the
// program's start order and wired to the station.
class OperatorWindow {
 public:
  // ending_without_question: true once the program ends without the operator.
  OperatorWindow(station::Station& station, QtOperator& op,
                 std::function<bool()> ending_without_question = nullptr);
  ~OperatorWindow();
  OperatorWindow(const OperatorWindow&) = delete;
  OperatorWindow& operator=(const OperatorWindow&) = delete;

  void Show();
  void Refresh();
  MainWindow& Main() { return *main_; }
  DiagnosticsWindow& Diagnostics() { return *diagnostics_; }
  RunLogWindow& RunLog() { return *run_log_; }
  EutEffectsWindow& EutEffects() { return *eut_effects_; }
  QPrinter& Printer() { return printer_; }
  // The graph as the window shows it now.
  QImage DrawGraph();
  // Prints a report on the window's printer without asking (the print dialog's OK).
  bool PrintPlot();
  bool PrintTabular();

 private:
  WindowHooks Hooks();
  void AskAndPrint(bool plot);

  station::Station& station_;
  QtOperator& op_;
  std::function<bool()> ending_without_question_;
  QPrinter printer_{QPrinter::HighResolution};
  std::unique_ptr<MainWindow> main_;
  // Made in the program's start order, after the main window.
  std::unique_ptr<ScreenSettingsDialog> screen_settings_;
  std::unique_ptr<AboutDialog> about_;
  std::unique_ptr<NotesDialog> notes_;
  std::unique_ptr<SystemDetailsDialog> system_details_;
  std::unique_ptr<DiagnosticsWindow> diagnostics_;
  std::unique_ptr<TestFormWindow> test_form_;
  std::unique_ptr<RunLogWindow> run_log_;
  std::unique_ptr<EutEffectsWindow> eut_effects_;
};

}  // namespace tarvos::ui
