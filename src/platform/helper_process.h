#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos::platform {

// A child process the program talks to over its standard input and output, with waits
// that end at a deadline (no threads: poll on Linux, overlapped pipes on Windows). Its
// standard error is the program's own. It ends with the program (the parent's death
// signal on Linux, a job object on Windows) and is out of reach of the console's Ctrl+C.
class HelperProcess {
 public:
  HelperProcess() = default;
  ~HelperProcess();  // closes its input (so it ends) and reaps it
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  // Starts program with the arguments; false when it cannot be started.
  bool Start(const std::string& program, const std::vector<std::string>& args);
  bool Running() const { return running_; }
  // Its process id (Linux) or process handle (Windows); -1 before a start.
  long long Id() const { return id_; }

  // Writes all the bytes before the deadline (a MonotonicMs time); false otherwise.
  bool Write(std::string_view bytes, uint64_t deadline_ms);
  // Some bytes the helper wrote, once any have come before the deadline; nullopt when
  // none came by the deadline (a wait that wakes early goes on waiting) or its output has
  // closed (OutputClosed then, and Ended says why once it is reaped).
  std::optional<std::string> Read(uint64_t deadline_ms);
  bool OutputClosed() const { return output_ == -1; }

  // How it ended, as the operator is warned: "The adapter process has ended (exit code
  // N)." or "(signal N)."; nullopt while it runs. Reaps it when it has ended.
  std::optional<std::string> Ended();
  // Ends it now (it hangs, or sent what cannot be trusted) and reaps it, waiting at most
  // kKillWaitMs for it to go.
  void Kill();
  // It was killed but had not ended within that wait (stuck in a driver's call).
  bool Stuck() const { return stuck_; }

  static constexpr uint64_t kKillWaitMs = 2000;

 private:
  long long id_ = -1;       // the process id (or handle)
  long long input_ = -1;    // our end of its standard input
  long long output_ = -1;   // our end of its standard output
  long long job_ = -1;      // the job object that ends it with the program (Windows)
  bool running_ = false;
  bool stuck_ = false;
  std::optional<std::string> ended_;
};

// The helper's side of the same pipes: its standard input and output taken for frames,
// and standard output pointed at standard error from then on, so that a library that
// prints cannot break a frame.
class HelperChannel {
 public:
  HelperChannel();
  ~HelperChannel();
  HelperChannel(const HelperChannel&) = delete;
  HelperChannel& operator=(const HelperChannel&) = delete;

  // Some bytes from the program; nullopt once its end has closed (the program is gone).
  std::optional<std::string> Read();
  bool Write(std::string_view bytes);

 private:
  long long input_ = -1;
  long long output_ = -1;
};

}  // namespace tarvos::platform
