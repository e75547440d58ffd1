#include "ui/qt_application.h"

#include <QApplication>
#include <QFont>
#include <cstdlib>

namespace tarvos::ui {
namespace {

constexpr char kApplicationTitle[] = "Brevant Instruments Ltd TARVOS";

void UseOffscreenWithoutDisplay() {
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
}

void SetUp() {
  QApplication::setApplicationName(kApplicationTitle);
  QApplication::setApplicationDisplayName(kApplicationTitle);
  // Arial, or the metric-compatible face that fontconfig puts in its place.
  QApplication::setFont(QFont("Arial", 9));
}

}  // namespace

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

QtApplication::QtApplication(int& argc, char** argv) {
  UseOffscreenWithoutDisplay();
  application_ = std::make_unique<QApplication>(argc, argv);
  SetUp();
}

QtApplication::~QtApplication() = default;

}  // namespace tarvos::ui
