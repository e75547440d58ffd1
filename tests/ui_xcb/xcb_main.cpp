// The window tests that need a real X server: an Xvfb of their own, the xcb platform and
// the application set up as the program sets it up.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "ui/qt_application.h"

namespace {

// Starts Xvfb on a display it picks; the display's name, or empty when it did not start.
std::string StartXvfb(pid_t& pid) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string number;
  char c = 0;
  while (pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  return number.empty() ? std::string() : ":" + number;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  pid_t xvfb = 0;
  const std::string display = StartXvfb(xvfb);
  if (display.empty()) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  ::setenv("DISPLAY", display.c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  int status = 1;
  {
    tarvos::ui::QtApplication application(argc, argv);
    status = RUN_ALL_TESTS();
  }
  ::kill(xvfb, SIGTERM);
  ::waitpid(xvfb, nullptr, 0);
  return status;
}
