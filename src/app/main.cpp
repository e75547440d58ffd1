// tarvos: the operator's window, or with --batch a run without it (which can print its
// reports, having Qt).
#include <exception>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "app/batch_lines.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/program_main.h"
#include "app/report_printing.h"
#include "app/window_run.h"
#include "platform/starting_console.h"

namespace tarvos::app {

int ProgramMain(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // What is printed rather than shown (the usage, its errors, a run without the window)
  // reaches the command prompt the program was started from.
  if (AsksForHelp(args) || AsksForBatchRun(args) ||
      std::holds_alternative<UsageError>(ParseWindowArguments(args))) {
    platform::UseStartingConsole();
  }
  if (AsksForHelp(args)) {
    std::cout << UsageText();
    return kExitDone;
  }
  if (!AsksForBatchRun(args)) {
    try {
      return RunWindow(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& failure) {
      std::cerr << Said(batch_line::kUnexpected, {failure.what()}) << '\n';
      return kExitRunEnded;
    }
  }
  return RunBatchReportingFailures(args, PrintReportsToPdfFiles, std::cout, std::cerr);
}

}  // namespace tarvos::app
