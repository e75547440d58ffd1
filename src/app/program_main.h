#pragma once

namespace tarvos::app {

// What each program does with its command line, its arguments as UTF-8 texts (argv[0]
// the program). The system's entry (main, or wmain on Windows) hands them over.
int ProgramMain(int argc, char** argv);

}  // namespace tarvos::app
