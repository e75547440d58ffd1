#include "ui/program_icon.h"

#include <iterator>

// Where the program is built without an SVG renderer, its picture comes as PNG files
// drawn from the same SVG when the program was built; the resource lives in a static
// library, and naming it keeps it in the program.
static void InitIconResource() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  Q_INIT_RESOURCE(tarvos);
}

namespace tarvos::ui {
namespace {

// The sizes drawn at build time, smallest first.
constexpr int kDrawnSizes[] = {16, 24, 32, 48, 64, 128, 256};

QString DrawnPicture(int size) { return QStringLiteral(":/tarvos/tarvos-%1.png").arg(size); }

}  // namespace

QPixmap ProgramPicture(int size) {
  InitIconResource();
  if (size <= 0) return {};
  // The drawing of that size, or the smallest larger one scaled down to it.
  int drawn = kDrawnSizes[std::size(kDrawnSizes) - 1];
  for (const int candidate : kDrawnSizes) {
    if (candidate >= size) {
      drawn = candidate;
      break;
    }
  }
  QPixmap picture(DrawnPicture(drawn));
  if (picture.isNull() || drawn == size) return picture;
  return picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon ProgramIcon() {
  InitIconResource();
  QIcon icon;
  for (const int size : kDrawnSizes) icon.addFile(DrawnPicture(size), QSize(size, size));
  return icon;
}

}  // namespace tarvos::ui
