#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvos::ui {

// The program's own picture (an SVG built into the program), drawn at the usual icon
// sizes. Every window carries it; the About dialog shows it large.
QIcon ProgramIcon();

// The picture at one size, in device-independent pixels.
QPixmap ProgramPicture(int size);

}  // namespace tarvos::ui
