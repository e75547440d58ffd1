#pragma once

#include "calib/cell_file.h"
#include "calib/settings.h"
#include "link/adapter_access.h"
#include "screen/screen.h"

namespace tarvos::calib {

// Fills the system details dialog as it opens: caption, cell number and program folder,
// and asks the synthesiser (and the Salvo unit when present) for their versions, whose
// replies bring the device grid up to date. The delimiter field keeps its last text.
void OpenSystemDetails(link::AdapterAccess& access, const Settings& config,
                       screen::SystemDetailsDialog& dialog);

// "Accept": takes the first character of the delimiter field (an empty field keeps the
// delimiter; a text of exactly one blank, or a first character that numbers are written
// with, is refused with "Invalid delimitor") and the cell number, and loads that cell's
// table.
CellLoad AcceptSystemDetails(const screen::SystemDetailsDialog& dialog, CellFileContext& context);

}  // namespace tarvos::calib
