#pragma once

#include <string>

#include "platform/operator.h"
#include "station/station.h"
#include "ui/printed_reports.h"

namespace tarvos::ui {

// The graph as the station's state draws it now.
QImage StationGraph(station::Station& station, platform::Operator& op);
// What the printed reports take from the station, with the graph drawn now.
ReportInputs StationReportInputs(station::Station& station, platform::Operator& op);

}  // namespace tarvos::ui
