// tarvos-batch: the batch run without the window or Qt, with the command line and exit
// statuses of tarvos --batch; only printing the reports needs the window's program.
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_run.h"
#include "app/program_main.h"

namespace tarvos::app {

int ProgramMain(int argc, char** argv) {
  // --help and a bad command line are answered by the batch run itself.
  return RunBatchReportingFailures(std::vector<std::string>(argv + 1, argv + argc), nullptr,
                                   std::cout, std::cerr);
}

}  // namespace tarvos::app
