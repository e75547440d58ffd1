#include "ui/qt_application.h"

#include <QApplication>
#include <QFont>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>

#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <unistd.h>

#include "ui/program_icon.h"

namespace tarvos::ui {
namespace {

constexpr char kApplicationTitle[] = "Brevant Instruments Ltd TARVOS";

void UseOffscreenWithoutDisplay() {
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a session (a batch run over ssh, CI) Qt falls back to a private runtime
  // folder of its own and warns about it on standard error, among the program's
  // messages; take the same folder without the warning.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QByteArray folder = "/tmp/runtime-" + QByteArray::number(::getuid());
    if (::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST) {
      struct stat info {};
      if (::stat(folder.constData(), &info) == 0 && info.st_uid == ::getuid() &&
          (info.st_mode & 0777) == 0700) {
        qputenv("XDG_RUNTIME_DIR", folder);
      }
    }
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

// SIGINT and SIGTERM (Ctrl+C, the session ending) become a quit of the application, so
// the waits end and the closing steps leave the hardware safe. The handler only writes a
// byte; the notifier reads it in the event loop.
int signal_pipe[2] = {-1, -1};
std::function<void()>* quit_action = nullptr;

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signal_pipe[1], &byte, 1);
}

void QuitOnSignals(QApplication& application) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &application);
  QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
    char byte = 0;
    [[maybe_unused]] const auto read = ::read(signal_pipe[0], &byte, 1);
    if (quit_action != nullptr && *quit_action) {
      (*quit_action)();
    } else {
      QCoreApplication::quit();
    }
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
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
  QuitOnSignals(*application_);
}

void QtApplication::OnQuitSignal(std::function<void()> action) {
  quit_signal_ = std::move(action);
  quit_action = &quit_signal_;
}

QtApplication::~QtApplication() {
  quit_action = nullptr;
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  application_.reset();
  for (int& end : signal_pipe) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

}  // namespace tarvos::ui
