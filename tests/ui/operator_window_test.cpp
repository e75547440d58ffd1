// The window with its dialogs and printer: both reports printed from a finished scan,
// onto the window's printer set to a PDF file.

#include "ui/operator_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"

namespace tarvos::ui {
namespace {

int PdfPages(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(file.readAll().count("/Type /Page\n"));
}

TEST(OperatorWindowTest, BothReportsOfAScanPrintOnTheWindowsPrinter) {
  scenarios::StationRig rig;
  scenarios::PrepareSmallScan(rig);
  rig.St().PressRun();
  ASSERT_EQ(engine::ResultCount(rig.St().Results()), 3U);
  QtOperator op;
  OperatorWindow window(rig.St(), op);
  const QImage graph = window.DrawGraph();
  EXPECT_EQ(graph.size(), QSize(660, 284));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QPrinter& printer = window.Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setResolution(300);
  printer.setOutputFileName(dir.filePath("plot.pdf"));
  ASSERT_TRUE(window.PrintPlot());
  EXPECT_EQ(PdfPages(dir.filePath("plot.pdf")), 1);
  printer.setOutputFileName(dir.filePath("table.pdf"));
  ASSERT_TRUE(window.PrintTabular());
  EXPECT_EQ(PdfPages(dir.filePath("table.pdf")), 1);
}

}  // namespace
}  // namespace tarvos::ui
