// tarvos-batch: the batch run without the window or Qt, with the command line and exit
// statuses of tarvos --batch; only printing the reports needs the window's program.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/program_main.h"

namespace tarvos::app {

int ProgramMain(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (AsksForHelp(args)) {
    std::cout << UsageText();
    return kExitDone;
  }
  try {
    return RunBatch(args, nullptr, std::cout, std::cerr);
  } catch (const std::exception& failure) {
    std::cerr << "error: " << failure.what() << '\n';
    return kExitRunEnded;
  }
}

}  // namespace tarvos::app
