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
  // --resume: the results file whose run goes on, with its own setup (instead of --batch).
  std::optional<std::string> ResumePath;
  // --prescan-file: a pre-scan loaded before the run, as Open > Pre-Scans does.
  std::optional<std::string> PreScanPath;
  std::string ResultsPath;  // --results
  std::optional<std::string> ProgramFolder;
  // nullopt: the simulated test set; otherwise the adapter library to load.
  std::optional<std::string> AdapterLibrary;
  bool AdapterProcess = false;  // --adapter-process: the library in a helper process
  std::string SimBench = std::string(kDefaultBench);
  uint64_t SimSeed = 1;
  bool VirtualTime = false;
  bool Answer = false;  // to every Yes/No question
  std::optional<uint32_t> StopAfterMs;
  bool PreScan = false;
  // Both printed reports, as PDF files, after the run.
  std::optional<std::string> ReportPdf;  // --report-pdf: the plot report
  std::optional<std::string> TablePdf;   // --table-pdf: the tabular report
  std::optional<std::string> LogPath;    // --log: a copy of the run's log
};

struct HelpRequested {};
struct UsageError {
  std::string Text;                // what is wrong, without its kind
  std::string_view Kind = "error";
};
using ParsedArguments = std::variant<BatchOptions, HelpRequested, UsageError>;

// The arguments after the program name. "--help" anywhere asks for the usage text, so it
// works even beside a mistake. Values follow their option as the next argument or
// after "=" ("--sim-seed 7", "--sim-seed=7").
ParsedArguments ParseBatchArguments(const std::vector<std::string>& args);

// The options of a start with the window: the program folder and the adapters only.
ParsedArguments ParseWindowArguments(const std::vector<std::string>& args);

// Whether the command line asks for a batch run at all (the window is the other way).
bool AsksForBatchRun(const std::vector<std::string>& args);
bool AsksForHelp(const std::vector<std::string>& args);

// The two programs that take these options: tarvos (the window, or a batch run that can
// print its reports) and tarvos-batch (batch runs only, without Qt).
enum class Program { Window, BatchOnly };

// The simulated benches by name, ", " between them.
std::string BenchList();

// The text of --help of the program, lines ending in "\n".
std::string UsageText(Program program = Program::Window);

}  // namespace tarvos::app
