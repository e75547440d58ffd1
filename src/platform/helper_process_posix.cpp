#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/helper_process.h"
#include "platform/operator_texts.h"
#include "platform/precise_sleep.h"

namespace tarvos::platform {
namespace {

// How a waited-for process ended, as the operator is told.
std::string EndText(int status) {
  if (WIFSIGNALED(status)) {
    return FillText(kAdapterProcessSignalledText, {std::to_string(WTERMSIG(status))});
  }
  return FillText(kAdapterProcessExitedText, {std::to_string(WEXITSTATUS(status))});
}

int PollTimeout(uint64_t deadline_ms) {
  const uint64_t now = MonotonicMs();
  if (now >= deadline_ms) return 0;
  const uint64_t left = deadline_ms - now;
  return left > 60'000 ? 60'000 : static_cast<int>(left);
}

void CloseIfOpen(long long& fd) {
  if (fd >= 0) ::close(static_cast<int>(fd));
  fd = -1;
}

}  // namespace

HelperProcess::~HelperProcess() {
  CloseIfOpen(input_);
  if (running_) {
    // It ends when its input closes; one that does not within a moment is ended.
    const uint64_t deadline = MonotonicMs() + 1000;
    while (running_ && MonotonicMs() < deadline) {
      if (Ended()) break;
      ::usleep(10'000);
    }
    if (running_) Kill();
  }
  CloseIfOpen(output_);
}

bool HelperProcess::Start(const std::string& program, const std::vector<std::string>& args) {
  int to_child[2];
  int from_child[2];
  if (::pipe2(to_child, O_CLOEXEC) != 0) return false;
  if (::pipe2(from_child, O_CLOEXEC) != 0) {
    ::close(to_child[0]);
    ::close(to_child[1]);
    return false;
  }
  std::vector<char*> argv;
  std::vector<std::string> texts{program};
  texts.insert(texts.end(), args.begin(), args.end());
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    // A process group of its own: Ctrl+C at a terminal reaches the program, whose closing
    // steps still need the helper.
    ::setpgid(0, 0);
    // It dies with the program, even one killed while a library call hangs; the program
    // may have gone before this line.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    // The pipe ends go above the standard descriptors first: one of them may be 0 or 1
    // itself (the program started with those closed), where dup2 would do nothing and
    // leave it to close at exec.
    const int input = ::fcntl(to_child[0], F_DUPFD_CLOEXEC, 3);
    const int output = ::fcntl(from_child[1], F_DUPFD_CLOEXEC, 3);
    if (input < 0 || output < 0 || ::dup2(input, STDIN_FILENO) < 0 ||
        ::dup2(output, STDOUT_FILENO) < 0) {
      ::_exit(127);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(to_child[0]);
  ::close(from_child[1]);
  if (pid < 0) {
    ::close(to_child[1]);
    ::close(from_child[0]);
    return false;
  }
  // A helper gone while we write must not end the program with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  id_ = pid;
  input_ = to_child[1];
  output_ = from_child[0];
  running_ = true;
  ended_.reset();
  return true;
}

bool HelperProcess::Write(std::string_view bytes, uint64_t deadline_ms) {
  if (input_ < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    pollfd watched{static_cast<int>(input_), POLLOUT, 0};
    const int ready = ::poll(&watched, 1, PollTimeout(deadline_ms));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (watched.revents & (POLLERR | POLLHUP)) != 0) return false;
    const ssize_t wrote = ::write(static_cast<int>(input_), bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

std::optional<std::string> HelperProcess::Read(uint64_t deadline_ms) {
  if (output_ < 0) return std::nullopt;
  for (;;) {
    pollfd watched{static_cast<int>(output_), POLLIN, 0};
    const int ready = ::poll(&watched, 1, PollTimeout(deadline_ms));
    if (ready < 0 && errno == EINTR) continue;
    // A wait is at most a minute at a time: a longer deadline takes several.
    if (ready == 0 && MonotonicMs() < deadline_ms) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t got = ::read(static_cast<int>(output_), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      CloseIfOpen(output_);
      return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(got));
  }
}

std::optional<std::string> HelperProcess::Ended() {
  if (!running_) return ended_;
  int status = 0;
  const pid_t done = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
  if (done == 0) return std::nullopt;
  running_ = false;
  if (done < 0) {
    ended_ = FillText(kAdapterProcessExitedText, {"unknown"});
  } else {
    ended_ = EndText(status);
  }
  return ended_;
}

void HelperProcess::Kill() {
  if (!running_) return;
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  // A process in the middle of a driver call ends only when the call returns: the wait
  // is bounded, and one that does not end is left (and said).
  int status = 0;
  const uint64_t deadline = MonotonicMs() + kKillWaitMs;
  pid_t done = 0;
  while ((done = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG)) == 0 &&
         MonotonicMs() < deadline) {
    ::usleep(5'000);
  }
  running_ = false;
  stuck_ = done == 0;
  ended_ = done == static_cast<pid_t>(id_) ? EndText(status)
                                          : FillText(kAdapterProcessExitedText, {"unknown"});
  CloseIfOpen(input_);
}

HelperChannel::HelperChannel() {
  input_ = ::dup(STDIN_FILENO);
  output_ = ::dup(STDOUT_FILENO);
  ::dup2(STDERR_FILENO, STDOUT_FILENO);
  ::signal(SIGPIPE, SIG_IGN);
}

HelperChannel::~HelperChannel() {
  CloseIfOpen(input_);
  CloseIfOpen(output_);
}

std::optional<std::string> HelperChannel::Read() {
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(input_), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(got));
  }
}

bool HelperChannel::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote =
        ::write(static_cast<int>(output_), bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace tarvos::platform
