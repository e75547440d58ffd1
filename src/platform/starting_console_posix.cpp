#include "platform/starting_console.h"

namespace tarvos::platform {

void UseStartingConsole() {}

}  // namespace tarvos::platform
