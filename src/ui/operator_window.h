#pragma once

#include <QPrinter>
#include <memory>

#include "station/station.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/system_details_dialog.h"

namespace tarvos::ui {

// The main window with the dialogs and the printer it keeps beside it, made in the
// program's start order and wired to the station.
class OperatorWindow {
 public:
  OperatorWindow(station::Station& station, QtOperator& op);
  ~OperatorWindow();
  OperatorWindow(const OperatorWindow&) = delete;
  OperatorWindow& operator=(const OperatorWindow&) = delete;

  void Show();
  void Refresh() { main_->Refresh(); }
  MainWindow& Main() { return *main_; }
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
  QPrinter printer_{QPrinter::HighResolution};
  std::unique_ptr<MainWindow> main_;
  std::unique_ptr<SystemDetailsDialog> system_details_;
};

}  // namespace tarvos::ui
