#include "ui/operator_window.h"

#include <QPageSetupDialog>
#include <QPrintDialog>

#include "setup/test_setup.h"
#include "ui/printed_reports.h"
#include "ui/results_graph.h"
#include "ui/station_reports.h"

namespace tarvos::ui {

OperatorWindow::OperatorWindow(station::Station& station, QtOperator& op)
    : station_(station), op_(op) {
  main_ = std::make_unique<MainWindow>(station, Hooks());
  op_.SetParent(main_.get());
  system_details_ = std::make_unique<SystemDetailsDialog>(station, main_.get());
}

OperatorWindow::~OperatorWindow() { op_.SetParent(nullptr); }

void OperatorWindow::Show() {
  main_->show();
  main_->Refresh();
}

WindowHooks OperatorWindow::Hooks() {
  WindowHooks hooks;
  hooks.DrawGraph = [this] { return DrawGraph(); };
  hooks.PrintPlot = [this] { AskAndPrint(true); };
  hooks.PrintTabular = [this] { AskAndPrint(false); };
  hooks.PrinterSetup = [this] {
    QPageSetupDialog dialog(&printer_, main_.get());
    dialog.exec();
  };
  hooks.ShowSystemDetails = [this] { system_details_->Run(); };
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
