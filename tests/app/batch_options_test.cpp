#include "app/batch_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace tarvos::app {
namespace {

using ::testing::HasSubstr;

const std::vector<std::string> kRequired = {"--batch", "a.STP", "--results", "a.RF"};

std::vector<std::string> With(std::vector<std::string> extra) {
  std::vector<std::string> args = kRequired;
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

BatchOptions Options(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseBatchArguments(args);
  if (const auto* error = std::get_if<UsageError>(&parsed)) {
    ADD_FAILURE() << "usage error: " << error->Text;
    return {};
  }
  EXPECT_TRUE(std::holds_alternative<BatchOptions>(parsed));
  return std::holds_alternative<BatchOptions>(parsed) ? std::get<BatchOptions>(parsed)
                                                      : BatchOptions{};
}

std::string Error(const std::vector<std::string>& args) {
  const ParsedArguments parsed = ParseBatchArguments(args);
  const auto* error = std::get_if<UsageError>(&parsed);
  EXPECT_NE(error, nullptr) << "the arguments were taken";
  return error ? error->Text : "";
}

TEST(BatchOptionsTest, TheTwoFilesAloneGiveTheDefaults) {
  const BatchOptions options = Options(kRequired);
  EXPECT_EQ(options.SetupPath, "a.STP");
  EXPECT_EQ(options.ResultsPath, "a.RF");
  EXPECT_FALSE(options.ProgramFolder);
  EXPECT_FALSE(options.AdapterLibrary);
  EXPECT_EQ(options.SimBench, "fennix-salvo");
  EXPECT_EQ(options.SimSeed, 1u);
  EXPECT_FALSE(options.VirtualTime);
  EXPECT_FALSE(options.Answer);
  EXPECT_FALSE(options.StopAfterMs);
  EXPECT_FALSE(options.PreScan);
}

TEST(BatchOptionsTest, EveryOptionIsTakenInEitherForm) {
  const BatchOptions options =
      Options({"--results=out/x.RF", "--program-folder", "home dir", "--sim-bench", "corvid",
               "--sim-seed=18446744073709551615", "--virtual-time", "--answer", "yes",
               "--stop-after", "2.5", "--prescan", "--batch=setups/IEC.STP", "--adapters=sim"});
  EXPECT_EQ(options.SetupPath, "setups/IEC.STP");
  EXPECT_EQ(options.ResultsPath, "out/x.RF");
  EXPECT_EQ(options.ProgramFolder, "home dir");
  EXPECT_FALSE(options.AdapterLibrary);
  EXPECT_EQ(options.SimBench, "corvid");
  EXPECT_EQ(options.SimSeed, 18446744073709551615u);
  EXPECT_TRUE(options.VirtualTime);
  EXPECT_TRUE(options.Answer);
  EXPECT_EQ(options.StopAfterMs, 2500u);
  EXPECT_TRUE(options.PreScan);
}

TEST(BatchOptionsTest, AnAdapterLibraryIsAPathAndNoAnswerIsNo) {
  const BatchOptions options =
      Options(With({"--adapters", "/opt/usb/libusbi2cio.so", "--answer=no"}));
  EXPECT_EQ(options.AdapterLibrary, "/opt/usb/libusbi2cio.so");
  EXPECT_FALSE(options.Answer);
}

TEST(BatchOptionsTest, StopTimesAreRoundedToWholeMilliseconds) {
  EXPECT_EQ(Options(With({"--stop-after", "90"})).StopAfterMs, 90000u);
  EXPECT_EQ(Options(With({"--stop-after", "0.0015"})).StopAfterMs, 2u);
  EXPECT_EQ(Options(With({"--stop-after", "0.001"})).StopAfterMs, 1u);
  EXPECT_EQ(Options(With({"--stop-after", "4294967.295"})).StopAfterMs, 4294967295u);
}

TEST(BatchOptionsTest, BadValuesAreNamedWithTheirOption) {
  EXPECT_EQ(Error(With({"--stop-after", "0"})),
            "--stop-after needs a number of seconds above 0, not '0'");
  EXPECT_EQ(Error(With({"--stop-after", "-3"})),
            "--stop-after needs a number of seconds above 0, not '-3'");
  EXPECT_EQ(Error(With({"--stop-after", "0.0004"})),
            "--stop-after needs a number of seconds above 0, not '0.0004'");
  EXPECT_EQ(Error(With({"--stop-after", "10s"})),
            "--stop-after needs a number of seconds above 0, not '10s'");
  EXPECT_EQ(Error(With({"--stop-after", "1e3"})),
            "--stop-after needs a number of seconds above 0, not '1e3'");
  EXPECT_EQ(Error(With({"--stop-after", "4294968"})),
            "--stop-after needs a number of seconds above 0, not '4294968'");
  EXPECT_EQ(Error(With({"--sim-seed", "-1"})),
            "--sim-seed needs a whole number from 0 up, not '-1'");
  EXPECT_EQ(Error(With({"--sim-seed", "18446744073709551616"})),
            "--sim-seed needs a whole number from 0 up, not '18446744073709551616'");
  EXPECT_EQ(Error(With({"--sim-seed", "7.0"})),
            "--sim-seed needs a whole number from 0 up, not '7.0'");
  EXPECT_EQ(Error(With({"--answer", "Yes"})), "--answer needs yes or no, not 'Yes'");
  EXPECT_EQ(Error(With({"--sim-bench", "lab"})),
            "unknown simulator bench 'lab' (benches: fennix-salvo, corvid, fennix, none, "
            "salvo-only, two-synths, old-firmware, unknown-adapter)");
}

TEST(BatchOptionsTest, MissingValuesSayWhatTheOptionNeeds) {
  EXPECT_EQ(Error({"--batch"}), "--batch needs the setup file to run");
  EXPECT_EQ(Error({"--batch", "--results", "a.RF"}), "--batch needs the setup file to run");
  EXPECT_EQ(Error({"--batch=", "--results", "a.RF"}), "--batch needs the setup file to run");
  EXPECT_EQ(Error({"--batch", "a.STP", "--results"}), "--results needs the results file to write");
  EXPECT_EQ(Error(With({"--program-folder", ""})), "--program-folder needs a folder");
  EXPECT_EQ(Error(With({"--adapters"})), "--adapters needs sim or the path of an adapter library");
  EXPECT_EQ(Error(With({"--sim-seed"})), "--sim-seed needs a whole number from 0 up");
  EXPECT_EQ(Error(With({"--answer", "--prescan"})), "--answer needs yes or no");
  EXPECT_EQ(Error(With({"--stop-after"})), "--stop-after needs a number of seconds above 0");
  EXPECT_THAT(Error(With({"--sim-bench"})),
              HasSubstr("--sim-bench needs a bench name (fennix-salvo, "));
}

TEST(BatchOptionsTest, TheCommandLineAsAWholeIsChecked) {
  EXPECT_EQ(Error({}), "--batch is missing: name the setup file to run");
  EXPECT_EQ(Error({"--results", "a.RF"}), "--batch is missing: name the setup file to run");
  EXPECT_EQ(Error({"--batch", "a.STP"}), "--results is missing: name the results file to write");
  EXPECT_EQ(Error(With({"--frobnicate"})), "unknown option '--frobnicate'");
  EXPECT_EQ(Error(With({"--frob=1"})), "unknown option '--frob'");
  EXPECT_EQ(Error(With({"-v"})), "'-v' is not an option; every value follows its option");
  EXPECT_EQ(Error(With({"extra.STP"})),
            "'extra.STP' is not an option; every value follows its option");
  EXPECT_EQ(Error(With({"--batch", "b.STP"})), "--batch is given twice");
  EXPECT_EQ(Error(With({"--prescan", "--prescan"})), "--prescan is given twice");
  EXPECT_EQ(Error(With({"--virtual-time=yes"})), "--virtual-time takes no value");
}

TEST(BatchOptionsTest, AResumeTakesTheResultsFileInsteadOfTheSetupFile) {
  const BatchOptions resume = Options({"--resume", "recovery.RF", "--results", "out.RF"});
  EXPECT_EQ(resume.ResumePath, "recovery.RF");
  EXPECT_EQ(resume.SetupPath, "");
  EXPECT_FALSE(resume.PreScanPath);
  EXPECT_TRUE(AsksForBatchRun({"--resume", "recovery.RF"}));
  EXPECT_TRUE(AsksForBatchRun({"--resume=recovery.RF"}));
  EXPECT_FALSE(AsksForBatchRun({"--prescan-file", "a.PSC"}));
  EXPECT_EQ(Options({"--resume=r.RF", "--results", "o.RF", "--prescan-file", "p.PSC"}).PreScanPath,
            "p.PSC");
  EXPECT_EQ(Options(With({"--prescan-file", "p.PSC"})).PreScanPath, "p.PSC");

  EXPECT_EQ(Error({"--resume", "r.RF"}), "--results is missing: name the results file to write");
  EXPECT_EQ(Error({"--resume", "--results", "o.RF"}),
            "--resume needs the results file of the run to resume");
  EXPECT_EQ(Error(With({"--prescan-file"})), "--prescan-file needs the pre-scan file to load");
  EXPECT_EQ(Error(With({"--resume", "r.RF"})),
            "--batch and --resume cannot go together: a resumed run takes the setup of its "
            "results file");
  EXPECT_EQ(Error({"--resume", "r.RF", "--results", "o.RF", "--prescan"}),
            "--prescan cannot be resumed: --resume continues a standard or custom scan");
  EXPECT_EQ(Error(With({"--prescan", "--prescan-file", "p.PSC"})),
            "--prescan-file loads a pre-scan for a pre-scanned run; --prescan makes a new one");
  const auto window = ParseWindowArguments({"--prescan-file", "p.PSC"});
  ASSERT_TRUE(std::holds_alternative<UsageError>(window));
  EXPECT_EQ(std::get<UsageError>(window).Text,
            "--prescan-file works only in a batch run (--batch)");
  EXPECT_THAT(UsageText(), HasSubstr("  --resume RESULTS.RF    "));
  EXPECT_THAT(UsageText(), HasSubstr("  --prescan-file FILE.PSC  "));
}

TEST(BatchOptionsTest, TheGuidesTableOfOptionsIsTheHelpsOptions) {
  std::ifstream in(std::string(TARVOS_SOURCE_DIR) + "/docs/guide.md", std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream guide;
  guide << in.rdbuf();
  // The rows of the guide's table of options: "| `--name VALUE` | does |".
  std::set<std::string> in_guide;
  const std::regex row(R"(^\| `(--[a-z-]+)[^`]*` \|)");
  std::string line;
  while (std::getline(guide, line)) {
    std::smatch match;
    if (std::regex_search(line, match, row)) in_guide.insert(match[1].str());
  }
  std::set<std::string> in_help;
  const std::string help = UsageText();
  const std::regex option(R"(--[a-z][a-z-]*)");
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
       it != std::sregex_iterator(); ++it) {
    in_help.insert(it->str());
  }
  EXPECT_EQ(in_guide, in_help);
  EXPECT_GE(in_help.size(), 17u);
}

TEST(BatchOptionsTest, SimulatorOptionsAreRefusedBesideAnAdapterLibrary) {
  EXPECT_EQ(Error(With({"--adapters", "lib.so", "--sim-bench", "corvid"})),
            "--sim-bench works only on the simulated test set (--adapters sim)");
  EXPECT_EQ(Error(With({"--sim-seed", "4", "--adapters", "lib.so"})),
            "--sim-seed works only on the simulated test set (--adapters sim)");
  EXPECT_EQ(Error(With({"--adapters", "lib.so", "--virtual-time"})),
            "--virtual-time works only on the simulated test set (--adapters sim)");
  EXPECT_TRUE(
      Options(With({"--adapters", "sim", "--virtual-time", "--sim-seed", "4"})).VirtualTime);
}

TEST(BatchOptionsTest, TheAdapterProcessServesANamedLibraryOnly) {
  EXPECT_TRUE(Options(With({"--adapters", "lib.so", "--adapter-process"})).AdapterProcess);
  EXPECT_FALSE(Options(With({"--adapters", "lib.so"})).AdapterProcess);
  EXPECT_EQ(Error(With({"--adapter-process"})),
            "--adapter-process needs the path of an adapter library (--adapters PATH)");
  EXPECT_EQ(Error(With({"--adapters", "sim", "--adapter-process"})),
            "--adapter-process needs the path of an adapter library (--adapters PATH)");
  EXPECT_EQ(Error(With({"--adapters", "lib.so", "--adapter-process=1"})),
            "--adapter-process takes no value");
  const auto window = ParseWindowArguments({"--adapter-process", "--adapters", "lib.so"});
  ASSERT_TRUE(std::holds_alternative<BatchOptions>(window));
  EXPECT_TRUE(std::get<BatchOptions>(window).AdapterProcess);
}

TEST(BatchOptionsTest, HelpWinsWhereverItStands) {
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(ParseBatchArguments({"--help"})));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(
      ParseBatchArguments({"--batch", "--frobnicate", "-h"})));
  EXPECT_TRUE(AsksForHelp({"x", "--help"}));
  EXPECT_FALSE(AsksForHelp({"--helpful"}));
}

TEST(BatchOptionsTest, TheWindowTakesOnlyTheProgramFolderAndTheAdapters) {
  const auto parsed = ParseWindowArguments(
      {"--program-folder", "lab", "--sim-bench", "corvid", "--sim-seed=4"});
  ASSERT_TRUE(std::holds_alternative<BatchOptions>(parsed));
  const auto& options = std::get<BatchOptions>(parsed);
  EXPECT_EQ(options.ProgramFolder, "lab");
  EXPECT_EQ(options.SimBench, "corvid");
  EXPECT_EQ(options.SimSeed, 4U);
  EXPECT_TRUE(std::holds_alternative<BatchOptions>(ParseWindowArguments({})));
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--results", "a.RF"},
                                             {"--report-pdf", "a.pdf"},
                                             {"--prescan"}}) {
    const auto refused = ParseWindowArguments(args);
    ASSERT_TRUE(std::holds_alternative<UsageError>(refused)) << args[0];
    EXPECT_EQ(std::get<UsageError>(refused).Text, args[0] + " works only in a batch run (--batch)");
  }
  const auto library = ParseWindowArguments({"--adapters", "lib.so", "--sim-seed", "2"});
  ASSERT_TRUE(std::holds_alternative<UsageError>(library));
  EXPECT_EQ(std::get<UsageError>(library).Text,
            "--sim-seed works only on the simulated test set (--adapters sim)");
}

TEST(BatchOptionsTest, ABatchRunIsAskedForByItsOption) {
  EXPECT_TRUE(AsksForBatchRun({"--results", "a.RF", "--batch", "a.STP"}));
  EXPECT_TRUE(AsksForBatchRun({"--batch=a.STP"}));
  EXPECT_FALSE(AsksForBatchRun({}));
  EXPECT_FALSE(AsksForBatchRun({"--results", "a.RF", "--batches"}));
}

TEST(BatchOptionsTest, TheUsageTextNamesEveryOptionAndTheExitStatuses) {
  const std::string usage = UsageText();
  EXPECT_TRUE(usage.starts_with("Usage: tarvos [--program-folder DIR] [--adapters sim|PATH]"));
  EXPECT_THAT(usage, HasSubstr("\n       tarvos --batch SETUP.STP --results OUT.RF [options]\n"));
  for (const char* option :
       {"--program-folder DIR", "--adapters sim|PATH", "--adapter-process", "--sim-bench NAME",
        "--sim-seed N",
        "--virtual-time", "--answer yes|no", "--stop-after SECONDS", "--prescan",
        "--report-pdf FILE", "--table-pdf FILE", "--log FILE.csv", "--help"}) {
    EXPECT_THAT(usage, HasSubstr("\n  " + std::string(option) + " ")) << option;
  }
  EXPECT_THAT(usage, HasSubstr("Exit status: 0 "));
  EXPECT_EQ(usage.back(), '\n');
  // Both programs' texts must read in an ordinary terminal.
  for (const std::string& text : {usage, UsageText(Program::BatchOnly)}) {
    std::size_t line_start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         line_start = end + 1, end = text.find('\n', line_start)) {
      EXPECT_LE(end - line_start, 80u) << text.substr(line_start, end - line_start);
    }
  }
}

}  // namespace
}  // namespace tarvos::app
