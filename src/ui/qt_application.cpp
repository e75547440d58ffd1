#include "ui/qt_application.h"

#include <QApplication>
#include <QFont>
#include <QSocketNotifier>

#include "platform/quit_signals.h"
#include "platform/system_paths.h"
#include "ui/program_icon.h"

namespace tarvos::ui {
namespace {

constexpr char kApplicationTitle[] = "Brevant Instruments Ltd TARVOS";

void UseOffscreenWithoutDisplay() {
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a session (a batch run over ssh, CI) Qt falls back to a private runtime
  // folder of its own and warns about it on standard error, among the program's
  // messages; take the same folder without the warning.
  if (const auto folder = platform::PrivateRuntimeFolder()) {
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(*folder));
  }
}

void SetUp() {
  // The application's name, and the title of its message boxes; not a display name,
  // which the window system would append to every window's own caption.
  QApplication::setApplicationName(kApplicationTitle);
  QApplication::setWindowIcon(ProgramIcon());
  // Arial, or the metric-compatible face that fontconfig puts in its place.
  QApplication::setFont(QFont("Arial", 9));
}

}  // namespace

bool HasDisplay() { return platform::HasGraphicalDisplay(); }

QtApplication::QtApplication(int& argc, char** argv) {
  UseOffscreenWithoutDisplay();
  application_ = std::make_unique<QApplication>(argc, argv);
  SetUp();
  // Ctrl+C and the session ending become a quit of the application, so the waits end and
  // the closing steps leave the hardware safe.
  signals_ = std::make_unique<platform::QuitSignals>();
  if (signals_->Descriptor() >= 0) {
    auto* notifier =
        new QSocketNotifier(signals_->Descriptor(), QSocketNotifier::Read, application_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, application_.get(), [this] {
      signals_->Take();
      if (quit_signal_) {
        quit_signal_();
      } else {
        QCoreApplication::quit();
      }
    });
  }
}

void QtApplication::OnQuitSignal(std::function<void()> action) { quit_signal_ = std::move(action); }

QtApplication::~QtApplication() {
  application_.reset();
  signals_.reset();
}

}  // namespace tarvos::ui
