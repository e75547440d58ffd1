#include "ui/operator_window.h"

#include <QPageSetupDialog>
#include <QPrintDialog>

#include "setup/test_setup.h"
#include "ui/printed_reports.h"
#include "ui/results_graph.h"
#include "ui/station_reports.h"

namespace tarvos::ui {

OperatorWindow::OperatorWindow(station::Station& station, QtOperator& op,
                               std::function<bool()> ending_without_question)
    : station_(station), op_(op), ending_without_question_(std::move(ending_without_question)) {
  main_ = std::make_unique<MainWindow>(station, Hooks());
  op_.SetParent(main_.get());
  MainWindow* window = main_.get();
  screen_settings_ =
      std::make_unique<ScreenSettingsDialog>(station, [this] { Refresh(); }, window);
  about_ = std::make_unique<AboutDialog>(station, window);
  notes_ = std::make_unique<NotesDialog>(station, window);
  system_details_ = std::make_unique<SystemDetailsDialog>(station, window);
  diagnostics_ = std::make_unique<DiagnosticsWindow>(station, window);
  test_form_ = std::make_unique<TestFormWindow>(station, window);
  run_log_ = std::make_unique<RunLogWindow>(station, printer_, window);
  eut_effects_ = std::make_unique<EutEffectsWindow>(station, printer_, window);
}

void OperatorWindow::Refresh() {
  main_->Refresh();
  diagnostics_->Refresh();
  if (test_form_->isVisible()) test_form_->Refresh();
  if (run_log_->isVisible()) run_log_->Refresh();
  if (eut_effects_->isVisible()) eut_effects_->Refresh();
}

OperatorWindow::~OperatorWindow() { op_.SetParent(nullptr); }

void OperatorWindow::Show() {
  main_->show();
  main_->Refresh();
}

WindowHooks OperatorWindow::Hooks() {
  WindowHooks hooks;
  hooks.DrawGraph = [this] { return DrawGraph(); };
  hooks.EndingWithoutQuestion = ending_without_question_;
  hooks.PrintPlot = [this] { AskAndPrint(true); };
  hooks.PrintTabular = [this] { AskAndPrint(false); };
  hooks.PrinterSetup = [this] {
    QPageSetupDialog dialog(&printer_, main_.get());
    dialog.exec();
  };
  hooks.ShowSystemDetails = [this] { system_details_->Run(); };
  hooks.ShowScreenSettings = [this] { screen_settings_->Run(); };
  hooks.ShowNotes = [this] { notes_->Run(); };
  hooks.ShowAbout = [this] { about_->Run(); };
  hooks.ShowDiagnostics = [this] {
    station_.ShowDiagnostics();
    diagnostics_->Refresh();
  };
  hooks.ShowTestForm = [this] { test_form_->Run(); };
  hooks.ShowRunLog = [this] { run_log_->Run(); };
  hooks.ShowEutEffects = [this] { eut_effects_->Run(); };
  return hooks;
}

QImage OperatorWindow::DrawGraph() { return StationGraph(station_, op_); }

bool OperatorWindow::PrintPlot() { return PrintPlotReport(printer_, StationReportInputs(station_, op_)); }

bool OperatorWindow::PrintTabular() {
  return PrintTabularReport(printer_, StationReportInputs(station_, op_));
}

void OperatorWindow::AskAndPrint(bool plot) {
  QPrintDialog dialog(&printer_, main_.get());
  if (dialog.exec() != QDialog::Accepted) return;
  if (plot) {
    PrintPlot();
  } else {
    PrintTabular();
  }
}

}  // namespace tarvos::ui
