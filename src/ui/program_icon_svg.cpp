#include "ui/program_icon.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource lives in a static library: naming it keeps it in the program.
static void InitIconResource() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  Q_INIT_RESOURCE(tarvos);
}

namespace tarvos::ui {
namespace {

constexpr char kIconResource[] = ":/tarvos/tarvos.svg";

}  // namespace

QPixmap ProgramPicture(int size) {
  InitIconResource();
  QSvgRenderer renderer{QString(kIconResource)};
  if (!renderer.isValid() || size <= 0) return {};
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  painter.end();
  return QPixmap::fromImage(image);
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QPixmap picture = ProgramPicture(size);
    if (!picture.isNull()) icon.addPixmap(picture);
  }
  return icon;
}

}  // namespace tarvos::ui
