#include "platform/quit_signals.h"

namespace tarvos::platform {

// The window program on Windows has no console to take Ctrl+C from; the end of the
// session reaches it as a window message, which Qt turns into a close.
QuitSignals::QuitSignals() = default;
QuitSignals::~QuitSignals() = default;
int QuitSignals::Descriptor() const { return -1; }
void QuitSignals::Take() {}

std::optional<std::string> PrivateRuntimeFolder() { return std::nullopt; }

}  // namespace tarvos::platform
