#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/quit_signals.h"
#include "platform/system_paths.h"

namespace tarvos::platform {
namespace {

// The one pair a signal handler can reach: it only writes a byte.
int signal_pair[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signal_pair[1], &byte, 1);
}

}  // namespace

QuitSignals::QuitSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pair) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

QuitSignals::~QuitSignals() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  for (int& end : signal_pair) {
    if (end >= 0) ::close(end);
    end = -1;
  }
}

int QuitSignals::Descriptor() const { return signal_pair[0]; }

void QuitSignals::Take() {
  char byte = 0;
  [[maybe_unused]] const auto read = ::read(signal_pair[0], &byte, 1);
}

std::optional<std::string> PrivateRuntimeFolder() {
  if (EnvironmentText("XDG_RUNTIME_DIR")) return std::nullopt;
  const std::string folder = "/tmp/runtime-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || info.st_uid != ::getuid() ||
      (info.st_mode & 0777) != 0700) {
    return std::nullopt;
  }
  return folder;
}

}  // namespace tarvos::platform
