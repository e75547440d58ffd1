#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/window_run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (tarvos::app::AsksForHelp(args)) {
    std::cout << tarvos::app::UsageText();
    return tarvos::app::kExitDone;
  }
  if (!tarvos::app::AsksForBatchRun(args)) {
    try {
      return tarvos::app::RunWindow(argc, argv, std::cout, std::cerr);
    } catch (const std::exception& failure) {
      std::cerr << "error: " << failure.what() << '\n';
      return tarvos::app::kExitRunEnded;
    }
  }
  try {
    return tarvos::app::RunBatch(args, std::cout, std::cerr);
  } catch (const std::exception& failure) {
    // Nothing the run does should throw this far; if it does, say so rather than abort.
    std::cerr << "error: " << failure.what() << '\n';
    return tarvos::app::kExitRunEnded;
  }
}
