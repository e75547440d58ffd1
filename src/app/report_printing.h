#pragma once

#include <ostream>

#include "app/batch_options.h"
#include "station/station.h"

namespace tarvos::app {

// Both reports as the window prints them, into the PDF files the options name; Qt comes
// up offscreen for it when there is no display. False after writing why to err.
bool PrintReportsToPdfFiles(station::Station& station, const BatchOptions& options,
                            std::ostream& err);

}  // namespace tarvos::app
