#include <windows.h>

#include <atomic>

#include "platform/interrupts.h"

namespace tarvos::platform {
namespace {

std::atomic<bool> raised{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second one goes on to the default handler, which ends the program.
  return raised.exchange(true) ? FALSE : TRUE;
}

}  // namespace

Interrupts::Interrupts() {
  raised = false;
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

Interrupts::~Interrupts() { ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

bool Interrupts::Raised() const { return raised.load(); }

}  // namespace tarvos::platform
