#pragma once

#include <optional>
#include <string>

namespace tarvos::platform {

// Ctrl+C and the end of the session (SIGINT, SIGTERM) turned into something a window's
// loop can watch: the handler only marks the signal and makes a descriptor readable.
// Where the system has no such signals for a window program (Windows) there is nothing
// to watch.
class QuitSignals {
 public:
  QuitSignals();  // installs the handlers
  ~QuitSignals();  // puts the default handlers back
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // The descriptor that becomes readable on a signal; -1 when there is none to watch.
  int Descriptor() const;
  // Takes the signal's mark off the descriptor.
  void Take();
};

// A private runtime folder for a session that has none (no XDG_RUNTIME_DIR on Linux),
// made when missing; nullopt where the system needs none or it can't be made safely.
std::optional<std::string> PrivateRuntimeFolder();

}  // namespace tarvos::platform
