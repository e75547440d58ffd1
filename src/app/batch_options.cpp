#include "app/batch_options.h"

#include <charconv>
#include <cmath>
#include <set>
#include <string_view>
#include <system_error>

#include "app/batch_lines.h"
#include "platform/operator_texts.h"
#include "sim/bench.h"

namespace tarvos::app {
namespace {

// The longest stop time a window timer can hold: its interval is 32-bit milliseconds.
constexpr double kLongestStopSeconds = 4294967.295;

std::optional<uint64_t> ReadWholeNumber(std::string_view text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// Seconds as a plain decimal ("90", "2.5"), whole milliseconds above 0.
std::optional<uint32_t> ReadStopMs(std::string_view text) {
  double seconds = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (!std::isfinite(seconds) || seconds <= 0.0 || seconds > kLongestStopSeconds) return {};
  const double ms = std::nearbyint(seconds * 1000.0);
  if (ms < 1.0) return {};
  return static_cast<uint32_t>(ms);
}

// Where the explanations of the options begin in the usage text.
constexpr std::size_t kOptionColumn = 25;
constexpr std::size_t kUsageWidth = 80;

// The words as lines indented to the column, none wider than the usage text.
std::string Wrapped(std::string_view words, std::size_t indent) {
  std::string text;
  std::string line(indent, ' ');
  std::size_t start = 0;
  while (start < words.size()) {
    std::size_t end = words.find(' ', start);
    if (end == std::string_view::npos) end = words.size();
    const std::string_view word = words.substr(start, end - start);
    if (line.size() > indent && line.size() + 1 + word.size() > kUsageWidth) {
      text += line + "\n";
      line.assign(indent, ' ');
    }
    if (line.size() > indent) line += ' ';
    line += word;
    start = end + 1;
  }
  if (line.size() > indent) text += line + "\n";
  return text;
}

}  // namespace

std::string BenchList() {
  std::string list;
  for (const std::string& name : sim::BenchNames()) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

namespace {

// Walks the arguments one option at a time; the first mistake ends the walk.
class Parser {
 public:
  Parser(const std::vector<std::string>& args, bool window) : args_(args), window_(window) {}

  ParsedArguments Parse() {
    while (!error_ && next_ < args_.size()) Take(args_[next_++]);
    if (!error_) CheckWhole();
    if (error_) return *error_;
    return options_;
  }

 private:
  void Take(std::string_view arg) {
    if (!arg.starts_with("--")) {
      Fail(batch_line::kNotAnOption, {arg});
      return;
    }
    std::string_view name = arg;
    std::optional<std::string_view> inline_value;
    if (const auto equals = arg.find('='); equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      inline_value = arg.substr(equals + 1);
    }
    if (!seen_.insert(std::string(name)).second && IsKnown(name)) {
      Fail(batch_line::kGivenTwice, {name});
      return;
    }
    if (name == "--virtual-time" || name == "--prescan" || name == "--adapter-process") {
      if (inline_value) {
        Fail(batch_line::kTakesNoValue, {name});
        return;
      }
      (name == "--virtual-time" ? options_.VirtualTime
       : name == "--prescan"    ? options_.PreScan
                                : options_.AdapterProcess) = true;
      return;
    }
    if (!IsKnown(name)) {
      Fail(batch_line::kUnknownOption, {name});
      return;
    }
    const std::optional<std::string> value = Value(name, inline_value);
    if (value) TakeValue(name, *value);
  }

  static bool IsKnown(std::string_view name) {
    static constexpr std::string_view kOptions[] = {
        "--batch",    "--results", "--program-folder", "--adapters",     "--sim-bench",
        "--sim-seed", "--answer",  "--stop-after",     "--virtual-time", "--prescan",
        "--report-pdf", "--table-pdf", "--log", "--resume", "--prescan-file"};
    for (std::string_view option : kOptions) {
      if (option == name) return true;
    }
    return false;
  }

  std::optional<std::string> Value(std::string_view name,
                                   std::optional<std::string_view> inline_value) {
    if (inline_value) {
      if (inline_value->empty()) {
        Fail(batch_line::kNeedsValue, {name, WhatItNeeds(name)});
        return {};
      }
      return std::string(*inline_value);
    }
    if (next_ >= args_.size() || args_[next_].starts_with("--") || args_[next_].empty()) {
      Fail(batch_line::kNeedsValue, {name, WhatItNeeds(name)});
      return {};
    }
    return args_[next_++];
  }

  static std::string WhatItNeeds(std::string_view name) {
    if (name == "--batch") return "the setup file to run";
    if (name == "--results") return "the results file to write";
    if (name == "--program-folder") return "a folder";
    if (name == "--adapters") return "sim or the path of an adapter library";
    if (name == "--sim-bench") return "a bench name (" + BenchList() + ")";
    if (name == "--sim-seed") return "a whole number from 0 up";
    if (name == "--answer") return "yes or no";
    if (name == "--report-pdf" || name == "--table-pdf") return "the PDF file to write";
    if (name == "--log") return "the run log file to write";
    if (name == "--resume") return "the results file of the run to resume";
    if (name == "--prescan-file") return "the pre-scan file to load";
    return "a number of seconds above 0";  // --stop-after
  }

  void TakeValue(std::string_view name, const std::string& value) {
    if (name == "--batch") {
      options_.SetupPath = value;
    } else if (name == "--results") {
      options_.ResultsPath = value;
    } else if (name == "--program-folder") {
      options_.ProgramFolder = value;
    } else if (name == "--report-pdf") {
      options_.ReportPdf = value;
    } else if (name == "--table-pdf") {
      options_.TablePdf = value;
    } else if (name == "--log") {
      options_.LogPath = value;
    } else if (name == "--resume") {
      options_.ResumePath = value;
    } else if (name == "--prescan-file") {
      options_.PreScanPath = value;
    } else if (name == "--adapters") {
      if (value != "sim") options_.AdapterLibrary = value;
    } else if (name == "--sim-bench") {
      if (!sim::MakeBench(value)) {
        Fail(batch_line::kUnknownBench, {value, BenchList()});
      }
      options_.SimBench = value;
    } else if (name == "--sim-seed") {
      const auto seed = ReadWholeNumber(value);
      if (!seed) Fail(batch_line::kBadSeed, {value});
      options_.SimSeed = seed.value_or(0);
    } else if (name == "--answer") {
      if (value != "yes" && value != "no") Fail(batch_line::kBadAnswer, {value});
      options_.Answer = value == "yes";
    } else {  // --stop-after
      options_.StopAfterMs = ReadStopMs(value);
      if (!options_.StopAfterMs) {
        Fail(batch_line::kBadStopAfter, {value});
      }
    }
  }

  void CheckWhole() {
    if (window_) {
      for (std::string_view batch_only :
           {"--results", "--answer", "--stop-after", "--virtual-time", "--prescan",
            "--report-pdf", "--table-pdf", "--log", "--prescan-file"}) {
        if (seen_.contains(std::string(batch_only))) {
          Fail(batch_line::kBatchOnly, {batch_only});
          return;
        }
      }
      CheckSimulatorOptions();
      return;
    }
    if (seen_.contains("--batch") && seen_.contains("--resume")) {
      Fail(batch_line::kBatchAndResume);
    } else if (seen_.contains("--resume") && options_.PreScan) {
      Fail(batch_line::kPreScanResumed);
    } else if (options_.PreScanPath && options_.PreScan) {
      Fail(batch_line::kPreScanFileAndPreScan);
    } else if (!seen_.contains("--batch") && !seen_.contains("--resume")) {
      Fail(batch_line::kBatchMissing);
    } else if (!seen_.contains("--results")) {
      Fail(batch_line::kResultsMissing);
    } else {
      CheckSimulatorOptions();
    }
  }

  void CheckSimulatorOptions() {
    if (options_.AdapterProcess && !options_.AdapterLibrary) {
      Fail(batch_line::kProcessNeedsLibrary);
      return;
    }
    if (options_.AdapterLibrary) {
      // The simulator's options would be silently ignored by a vendor's library, and
      // virtual time would race ahead of real hardware.
      for (std::string_view sim_only : {"--sim-bench", "--sim-seed", "--virtual-time"}) {
        if (seen_.contains(std::string(sim_only))) {
          Fail(batch_line::kSimulatorOnly, {sim_only});
          return;
        }
      }
    }
  }

  void Fail(const BatchLine& line, std::initializer_list<std::string_view> values = {}) {
    if (!error_) error_ = UsageError{platform::FillText(line.Text, values), line.Kind};
  }

  const std::vector<std::string>& args_;
  bool window_ = false;
  std::size_t next_ = 0;
  BatchOptions options_;
  std::set<std::string> seen_;
  std::optional<UsageError> error_;
};

}  // namespace

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

bool AsksForBatchRun(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--batch" || arg.starts_with("--batch=")) return true;
    if (arg == "--resume" || arg.starts_with("--resume=")) return true;
  }
  return false;
}

ParsedArguments ParseBatchArguments(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return HelpRequested{};
  return Parser(args, false).Parse();
}

ParsedArguments ParseWindowArguments(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return HelpRequested{};
  return Parser(args, true).Parse();
}

std::string UsageText(Program program) {
  const bool window = program == Program::Window;
  std::string text =
      window ? "Usage: tarvos [--program-folder DIR] [--adapters sim|PATH] [--adapter-process]\n"
               "              [--sim-bench NAME] [--sim-seed N]\n"
               "       tarvos --batch SETUP.STP --results OUT.RF [options]\n"
               "       tarvos --resume RESULTS.RF --results OUT.RF [options]\n"
               "\n"
               "Without --batch, opens the operator's window on the test set.\n"
               "\n"
             : "Usage: tarvos-batch --batch SETUP.STP --results OUT.RF [options]\n"
               "       tarvos-batch --resume RESULTS.RF --results OUT.RF [options]\n"
               "\n";
  text +=
      "Runs the test of a setup file without the window, as RUN does, and writes the\n"
      "results with their setup as Save As > Results + Setup does (replacing OUT.RF).\n"
      "Each recorded step is printed on standard output (\"step N: F MHz, L V/m\"), then\n"
      "the EUT's faults (\"eut fault: ...\", or \"eut fault: none\"); every message the\n"
      "program shows goes to standard error as one line (\"kind: text\"). The run's log\n"
      "is kept in logs/run-YYYYMMDD-hhnnss.csv in the program folder.\n"
      "\n"
      "Options:\n"
      "  --program-folder DIR   the program folder (else $TARVOS_HOME, else\n"
      "                         ~/.local/share/Brevant Instruments Ltd/Tarvos/)\n"
      "  --adapters sim|PATH    the simulated test set (default), or the adapter\n"
      "                         library to load\n"
      "  --adapter-process      load that library in a helper process of its own\n"
      "                         (tarvos-adapters), so that its crash or hang ends\n"
      "                         only the calls\n"
      "  --sim-bench NAME       the simulated hardware (default " +
      std::string(kDefaultBench) + "):\n" + Wrapped(BenchList(), kOptionColumn) +
      "  --sim-seed N           the simulator's noise seed (default 1)\n"
      "  --virtual-time         run on a virtual clock: a whole scan takes moments\n"
      "                         (simulated test set only)\n"
      "  --answer yes|no        the answer to every Yes/No question (default no)\n"
      "  --stop-after SECONDS   press STOP that long after the start of the run\n"
      "  --prescan              run a pre-scan instead (PRE-SCAN); tempprescan.psc is\n"
      "                         written into the program folder as usual\n";
  if (window) {
    text +=
        "  --report-pdf FILE      print the plot report to a PDF file after the run\n"
        "  --table-pdf FILE       print the tabular report to a PDF file after the run\n";
  }
  text +=
      "  --log FILE.csv         write the run's log there too (replacing FILE.csv)\n"
      "  --resume RESULTS.RF    instead of --batch: go on with the interrupted scan of\n"
      "                         that results file (recovery.RF or recovered-*.RF too),\n"
      "                         with its own setup, from its last result; the results\n"
      "                         before it are kept and OUT.RF holds them all\n"
      "  --prescan-file FILE.PSC  load a pre-scan first, as Open > Pre-Scans does:\n"
      "                         with --batch a pre-scanned run of it (the pre-scan's\n"
      "                         setup is the one run), with --resume the resume of a\n"
      "                         pre-scanned run\n"
      "  --help                 this text\n"
      "\n"
      "With the simulated test set, files the program folder lacks are copied in from\n"
      "the sample data (cell calibration, Salvo.INI, BrevantUSB.TXT, example setups).\n"
      "\n"
      "Exit status: 0 the run reached its last step or was stopped by --stop-after;\n"
      "2 bad usage, or the run could not start (adapter library, no synthesiser, setup,\n"
      "results or pre-scan file, a run that cannot be resumed, a setup refused as\n"
      "Invalid Conditions before the first step), and no file was written; 3 the run\n"
      "ended for any other reason; 4 the results file or a report was not written.\n";
  if (!window) {
    text += "\nPrinting the reports (--report-pdf, --table-pdf) needs the program with the\n"
            "window: tarvos --batch.\n";
  }
  return text;
}

}  // namespace tarvos::app
