#pragma once

#include <ostream>

namespace tarvos::app {

// Opens the operator's window on the test set the command line names and runs until it
// closes. argc and argv are main's, for Qt; the status is the program's exit status.
int RunWindow(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tarvos::app
