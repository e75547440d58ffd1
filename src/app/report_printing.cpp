#include "app/report_printing.h"

#include <string>

#include "app/batch_lines.h"
#include "app/batch_operator.h"
#include "app/batch_run.h"
#include "ui/printed_reports.h"
#include "ui/qt_application.h"
#include "ui/station_reports.h"

namespace tarvos::app {

bool PrintReportsToPdfFiles(station::Station& station, const BatchOptions& options,
                            std::ostream& err) {
  int argc = 1;
  char name[] = "tarvos";
  char* argv[] = {name, nullptr};
  ui::QtApplication application(argc, argv);
  BatchOperator op(err, options.Answer);
  const std::string plot = options.ReportPdf ? FromWorkingFolder(*options.ReportPdf) : "";
  const std::string table = options.TablePdf ? FromWorkingFolder(*options.TablePdf) : "";
  if (ui::PrintReportsToPdf(ui::StationReportInputs(station, op), plot, table)) return true;
  const std::string files = plot.empty() ? table : table.empty() ? plot : plot + " and " + table;
  err << Said(batch_line::kReportsNotPrinted, {files}) << '\n';
  return false;
}

}  // namespace tarvos::app
