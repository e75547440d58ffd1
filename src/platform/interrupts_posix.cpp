#include <signal.h>

#include "platform/interrupts.h"

namespace tarvos::platform {
namespace {

volatile sig_atomic_t raised = 0;

void OnInterrupt(int) { raised = 1; }

void Handle(void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

Interrupts::Interrupts() {
  raised = 0;
  // SA_RESETHAND: the handler goes with the first signal, so a second one ends the program.
  Handle(OnInterrupt, SA_RESTART | SA_RESETHAND);
}

Interrupts::~Interrupts() { Handle(SIG_DFL, 0); }

bool Interrupts::Raised() const { return raised != 0; }

}  // namespace tarvos::platform
