#pragma once

namespace tarvos::platform {

// Ctrl+C for a program without a window (a batch run at a terminal or a command prompt):
// the first one is only marked, for the run to end as STOP ends it (the field off, the
// results saved); a second one ends the program at once, as the system would. On Linux
// SIGINT and SIGTERM, on Windows the console's Ctrl+C and Ctrl+Break. One at a time.
class Interrupts {
 public:
  Interrupts();   // takes the signals
  ~Interrupts();  // gives them back
  Interrupts(const Interrupts&) = delete;
  Interrupts& operator=(const Interrupts&) = delete;

  // A Ctrl+C has come since the start.
  bool Raised() const;
};

}  // namespace tarvos::platform
