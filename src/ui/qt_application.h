#pragma once

#include <functional>
#include <memory>

class QApplication;

namespace tarvos::platform {
class QuitSignals;
}

namespace tarvos::ui {

// The Qt application of the process, made once. Without a display (no X or Wayland
// display and no Qt platform named) it runs on the offscreen platform, which is enough
// to print reports to files.
class QtApplication {
 public:
  QtApplication(int& argc, char** argv);
  ~QtApplication();
  QtApplication(const QtApplication&) = delete;
  QtApplication& operator=(const QtApplication&) = delete;

  // What SIGINT and SIGTERM do, in the event loop (by default: quit the application).
  void OnQuitSignal(std::function<void()> action);

 private:
  std::unique_ptr<QApplication> application_;
  std::unique_ptr<platform::QuitSignals> signals_;
  std::function<void()> quit_signal_;
};

// Whether a window can be shown: an X or Wayland display, or a Qt platform named in
// QT_QPA_PLATFORM.
bool HasDisplay();

}  // namespace tarvos::ui
