#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarvos::app {

inline constexpr std::string_view kDefaultBench = "fennix-salvo";

// What a batch run was asked to do, as the command line gave it.
struct BatchOptions {
  std::string SetupPath;    // --batch
  std::string ResultsPath;  // --results
  std::optional<std::string> ProgramFolder;
  // nullopt: the simulated test set; otherwise the adapter library to load.
  std::optional<std::string> AdapterLibrary;
  std::string SimBench = std::string(kDefaultBench);
  uint64_t SimSeed = 1;
  bool VirtualTime = false;
  bool Answer = false;  // to every Yes/No question
  std::optional<uint32_t> StopAfterMs;
  bool PreScan = false;
};

struct HelpRequested {};
struct UsageError {
  std::string Text;
};
using ParsedArguments = std::variant<BatchOptions, HelpRequested, UsageError>;

// The arguments after the program name. "--help" anywhere asks for the usage text, so it
// works even beside a mistake. Values follow their option as the next argument or
// after "=" ("--sim-seed 7", "--sim-seed=7").
ParsedArguments ParseBatchArguments(const std::vector<std::string>& args);

// Whether the command line asks for a batch run at all (the window is the other way).
bool AsksForBatchRun(const std::vector<std::string>& args);
bool AsksForHelp(const std::vector<std::string>& args);

// The text of --help, lines ending in "\n".
std::string UsageText();
// The line that follows a usage error, pointing at --help.
inline constexpr std::string_view kUsageHint = "Run tarvos --help for the options.";
// What a start without --batch says while the program has no window.
inline constexpr std::string_view kNoWindowText =
    "This build of Tarvos runs batch runs only (tarvos --batch SETUP.STP --results OUT.RF); "
    "the operator's window comes in a later build.";

}  // namespace tarvos::app
