#include "ui/station_reports.h"

#include "ui/results_graph.h"

namespace tarvos::ui {

QImage StationGraph(station::Station& station, platform::Operator& op) {
  return RedrawGraph(GraphInputs{station.Setup(), station.Cell(), station.Config(),
                                 station.Results(), station.PreScan(), station.Screen().graph,
                                 op});
}

ReportInputs StationReportInputs(station::Station& station, platform::Operator& op) {
  return ReportInputsFrom(ReportSources{station.Setup(), station.Results(),
                                        station.Validation().Profile, station.Records(),
                                        station.Config(), station.Screen().clock_label,
                                        station.Run().TargetLevel, StationGraph(station, op)});
}

}  // namespace tarvos::ui
