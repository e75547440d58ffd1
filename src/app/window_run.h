#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "platform/event_loop.h"
#include "platform/operator.h"

namespace tarvos::app {

// How the window says that the adapter helper has failed: on standard error at once, and
// in a warning box at the loop's next pass, where the program's other boxes are shown
// (the failure is found in the middle of an adapter call).
std::function<void(const std::string&)> AdapterWarningInBox(platform::EventLoop& loop,
                                                           platform::Operator& op,
                                                           std::ostream& err);

// Opens the operator's window on the test set the command line names and runs until it
// closes. argc and argv are main's, for Qt; the status is the program's exit status.
int RunWindow(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tarvos::app
