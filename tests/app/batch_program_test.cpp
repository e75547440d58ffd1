// The built program, run as a user runs it: a whole IEC scan on the simulated test set in
// virtual time, from a fresh program folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/app_rig.h"
#include "app/batch_lines.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "platform/precise_sleep.h"
#include "records/run_log.h"

namespace tarvos::app {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Lines;
using ::testing::Not;
using testing::ProgramRun;
using testing::RunProgram;
using testing::TempFolder;

constexpr const char* kIecIndustrial = TARVOS_SOURCE_DIR "/data/IEC-Industrial.STP";
// 80 MHz to 1 GHz in steps of 1 %, the last clamped to the finish.
constexpr std::size_t kIecSteps = 255;

// A working folder with an empty program folder "home/" in it.
class BatchProgramTest : public ::testing::Test {
 protected:
  std::string Home() const { return work_.Path() + "home/"; }

  ProgramRun Run(std::vector<std::string> extra, const std::string& environment = "") {
    std::vector<std::string> args = {"--batch", kIecIndustrial,     "--results",
                                     "out.RF",  "--program-folder", "home"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProgram(work_.Path(), args, environment);
  }

  std::vector<std::string> ResultLines() const { return Lines(work_.Read("out.RF")); }

  TempFolder work_;
};

// "step N: F MHz, L V/m" with the level near the 10 V/m the setup asks for.
void ExpectStepsNearTenVoltsPerMetre(const std::vector<std::string>& lines) {
  const std::regex step(R"(step (\d+): (\d+\.\d{3}) MHz, (\d+\.\d{2}) V/m)");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, step)) << lines[i];
    EXPECT_EQ(match[1].str(), std::to_string(i + 1));
    const double level = std::stod(match[3].str());
    EXPECT_GT(level, 9.0) << lines[i];
    EXPECT_LT(level, 11.0) << lines[i];
  }
}

// The run's time on its own clock, from the last line of standard output; the lines
// before it go to steps.
long long RunTimeOf(const std::string& out, std::vector<std::string>& steps) {
  steps = Lines(out);
  const std::regex run_time(R"(run time: (\d+) ms)");
  std::smatch match;
  if (steps.empty() || !std::regex_match(steps.back(), match, run_time)) {
    ADD_FAILURE() << "no run time line at the end of:\n" << out;
    return -1;
  }
  const long long run_ms = std::stoll(match[1].str());
  steps.pop_back();
  // The EUT's fault lines stand between the steps and the run time.
  while (!steps.empty() && steps.back().starts_with("eut fault: ")) steps.pop_back();
  return run_ms;
}

// The "eut fault: ..." lines of standard output.
std::vector<std::string> EutLines(const std::string& out) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(out)) {
    if (line.starts_with("eut fault: ")) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> StepLines(const std::string& out) {
  std::vector<std::string> steps;
  RunTimeOf(out, steps);
  return steps;
}

TEST_F(BatchProgramTest, AFirstRunSeedsTheFolderAndScansTheWholeRange) {
  const ProgramRun run = Run({"--virtual-time"});
  EXPECT_EQ(run.Status, kExitDone) << run.Err;

  std::vector<std::string> steps;
  // On virtual time the run time is what its waits add up to: the warm-up, the levelling
  // and a dwell of 2 s at each of the 255 steps.
  const long long run_ms = RunTimeOf(run.Out, steps);
  EXPECT_GT(run_ms, 255 * 2000) << run.Out;
  EXPECT_LT(run_ms, 255 * 10000) << run.Out;
  ASSERT_EQ(steps.size(), kIecSteps) << run.Out;
  EXPECT_TRUE(steps[0].starts_with("step 1: 80.000 MHz, ")) << steps[0];
  EXPECT_TRUE(steps[1].starts_with("step 2: 80.800 MHz, ")) << steps[1];
  EXPECT_TRUE(steps[2].starts_with("step 3: 81.608 MHz, ")) << steps[2];
  EXPECT_TRUE(steps.back().starts_with("step 255: 1000.000 MHz, ")) << steps.back();
  ExpectStepsNearTenVoltsPerMetre(steps);

  // Without Tarvos.INI the defaults are loaded, and the default cell serial's file is
  // among the seeded ones.
  EXPECT_THAT(
      Lines(run.Err),
      ElementsAre("confirmation: INI File Missing or Corrupt. Defaults Loaded",
                  "input: Enter Current Cell Serial Number", "information: The Run has Ended. "));
  for (const char* name : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT", "Tarvos.INI"}) {
    EXPECT_TRUE(std::filesystem::exists(Home() + name)) << name;
  }

  const std::vector<std::string> results = ResultLines();
  ASSERT_GE(results.size(), 98u);
  EXPECT_EQ(results[97], "finish");
  EXPECT_NE(work_.Read("out.RF").find("\r\n"), std::string::npos);
}

// The simulated EUT fails from 2.5 V/m in 150 to 160 MHz and from 8 V/m in 430 to
// 440 MHz; the IEC scan at 10 V/m meets both. The log is kept in logs/ and copied where
// --log says.
TEST_F(BatchProgramTest, TheEutsFaultsArePrintedAndTheRunsLogWritten) {
  const ProgramRun run = Run({"--virtual-time", "--log", "run.csv"});
  ASSERT_EQ(run.Status, kExitDone) << run.Err;
  const std::vector<std::string> eut = EutLines(run.Out);
  ASSERT_EQ(eut.size(), 2u) << run.Out;
  const std::regex episode(
      R"(eut fault: (\d+\.\d{3}) MHz to (\d+\.\d{3}) MHz, (\d+) steps, 10\.00 V/m, \d+\.\d s)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(eut[0], match, episode)) << eut[0];
  EXPECT_GE(std::stod(match[1].str()), 150.0);
  EXPECT_LE(std::stod(match[2].str()), 160.0);
  ASSERT_TRUE(std::regex_match(eut[1], match, episode)) << eut[1];
  EXPECT_GE(std::stod(match[1].str()), 429.0);
  EXPECT_LE(std::stod(match[2].str()), 440.0);
  // The lines come after the steps and before the run time.
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], eut[0]);
  EXPECT_EQ(lines[lines.size() - 2], eut[1]);

  const std::string log = work_.Read("run.csv");
  EXPECT_TRUE(log.starts_with(
      "time,elapsed_s,event,step,frequency_mhz,target_vm,level_vm,dac,eut,text\r\n"));
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(Home() + "logs")) {
    kept.push_back(entry.path().string());
  }
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(work_.Read("home/logs/" + std::filesystem::path(kept[0]).filename().string()), log);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'),
            1 + 1 + static_cast<long>(kIecSteps) + 5 + 1);  // header, start, steps, EUT, end

  // A run without faults says so; --log replaces the file it names.
  const ProgramRun clean = Run({"--virtual-time", "--log", "run.csv", "--stop-after", "20"});
  ASSERT_EQ(clean.Status, kExitDone) << clean.Err;
  EXPECT_EQ(EutLines(clean.Out), std::vector<std::string>{"eut fault: none"});
  EXPECT_LT(work_.Read("run.csv").size(), log.size());
}

TEST_F(BatchProgramTest, TheSameSeedGivesTheSameRunAndASavedFolderAsksNothing) {
  const ProgramRun first = Run({"--virtual-time", "--sim-seed", "5"});
  ASSERT_EQ(first.Status, kExitDone) << first.Err;
  const ProgramRun second = Run({"--virtual-time", "--sim-seed", "5"});
  ASSERT_EQ(second.Status, kExitDone) << second.Err;
  EXPECT_EQ(second.Out, first.Out);
  // The settings saved at the close of the first run are read by the second.
  EXPECT_THAT(Lines(second.Err), Not(Contains(HasSubstr("input: "))));
  EXPECT_THAT(Lines(second.Err), Contains("information: The Run has Ended. "));
}

// The rows of the log the run wrote, and the first of an event.
std::vector<records::RunLogRow> LogRows(const std::string& content) {
  auto rows = records::ReadRunLog(content);
  if (!rows) ADD_FAILURE() << "not a run log:\n" << content;
  return rows.value_or(std::vector<records::RunLogRow>{});
}

const records::RunLogRow* FirstRow(const std::vector<records::RunLogRow>& rows,
                                   std::string_view event) {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const records::RunLogRow& row) { return row.Event == event; });
  return found == rows.end() ? nullptr : &*found;
}

TEST_F(BatchProgramTest, StopAfterEndsTheRunEarlyAndStillSavesIt) {
  const ProgramRun run = Run({"--virtual-time", "--stop-after", "30", "--log", "stop.csv"});
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  std::vector<std::string> steps;
  // STOP comes 30 s after RUN; the run ends at the sequencer's next pass after it.
  const long long run_ms = RunTimeOf(run.Out, steps);
  EXPECT_GE(run_ms, 30000) << run.Out;
  EXPECT_LT(run_ms, 35000) << run.Out;
  EXPECT_GT(steps.size(), 0u);
  EXPECT_LT(steps.size(), 30u);  // a step takes more than a second of dwell
  ExpectStepsNearTenVoltsPerMetre(steps);
  EXPECT_THAT(Lines(run.Err), Contains("information: The Run has been Stopped by User. "));
  // The log counts from RUN on the same clock: STOP's row is 30 s in, and the end row
  // is the run time.
  const std::vector<records::RunLogRow> rows = LogRows(work_.Read("stop.csv"));
  const records::RunLogRow* stop = FirstRow(rows, records::run_event::kStop);
  ASSERT_TRUE(stop && !rows.empty());
  EXPECT_DOUBLE_EQ(rows.front().ElapsedS, 0.0);
  EXPECT_DOUBLE_EQ(stop->ElapsedS, 30.0);
  EXPECT_EQ(rows.back().Event, records::run_event::kEnd);
  EXPECT_DOUBLE_EQ(rows.back().ElapsedS, static_cast<double>(run_ms) / 1000.0);
  const std::vector<std::string> results = ResultLines();
  ASSERT_GE(results.size(), 98u);
  EXPECT_EQ(results[97], "finish");
}

TEST_F(BatchProgramTest, APreScanRunsToItsEndAndLeavesTheTemporaryPreScan) {
  const ProgramRun run = Run({"--virtual-time", "--prescan"});
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  EXPECT_EQ(StepLines(run.Out).size(), kIecSteps);
  EXPECT_THAT(Lines(run.Err), Contains("information: The Pre-Scan has Ended. "));
  EXPECT_TRUE(std::filesystem::exists(Home() + "tempprescan.psc"));
  EXPECT_TRUE(std::filesystem::exists(work_.Path() + "out.RF"));
}

TEST_F(BatchProgramTest, APreScanFileMakesTheRunPreScannedAndItsResumePossible) {
  ASSERT_EQ(Run({"--virtual-time", "--prescan"}).Status, kExitDone);
  std::filesystem::copy_file(Home() + "tempprescan.psc", work_.Path() + "iec.PSC");

  // Stopped part way: the results of a pre-scanned run (test mode 11 in their setup).
  const ProgramRun part = Run({"--virtual-time", "--prescan-file", "iec.PSC", "--stop-after",
                               "60", "--log", "part.csv"});
  ASSERT_EQ(part.Status, kExitDone) << part.Err;
  const std::vector<std::string> part_steps = StepLines(part.Out);
  ASSERT_GT(part_steps.size(), 2u);
  ASSERT_LT(part_steps.size(), kIecSteps);
  EXPECT_THAT(work_.Read("part.csv"), HasSubstr("mode=Pre Scan Standard"));
  std::filesystem::rename(work_.Path() + "out.RF", work_.Path() + "part.RF");

  // Without its pre-scan the resume is refused; with it the run goes on to its finish.
  const auto resume = [this](std::vector<std::string> extra) {
    std::vector<std::string> args = {"--resume", "part.RF", "--results", "whole.RF",
                                     "--program-folder", "home", "--virtual-time"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunProgram(work_.Path(), args);
  };
  const ProgramRun refused = resume({});
  EXPECT_EQ(refused.Status, kExitCannotStart);
  EXPECT_THAT(Lines(refused.Err),
              Contains("warning: A pre-scanned run can only be resumed with its pre-scan loaded."));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "whole.RF"));

  const ProgramRun resumed = resume({"--prescan-file", "iec.PSC"});
  ASSERT_EQ(resumed.Status, kExitDone) << resumed.Err;
  const std::vector<std::string> steps = StepLines(resumed.Out);
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front().substr(0, steps.front().find(':')),
            "step " + std::to_string(part_steps.size()));
  EXPECT_EQ(steps.back().substr(0, steps.back().find(':')), "step " + std::to_string(kIecSteps));
}

// Tarvos.INI names a cell whose file is not there: the question comes at start-up and
// again when RUN reloads the cell, and the run cannot go on without a calibration.
TEST_F(BatchProgramTest, TheAnswerOptionAnswersEveryQuestion) {
  ASSERT_EQ(Run({"--virtual-time", "--stop-after", "5"}).Status, kExitDone);
  std::vector<std::string> settings = Lines(TempFolder::ReadFile(Home() + "Tarvos.INI"));
  ASSERT_GE(settings.size(), 15u);
  ASSERT_EQ(settings[14], "10");  // the cell serial
  settings[14] = "77";
  std::string text;
  for (const std::string& line : settings) text += line + "\r\n";
  work_.Write("home/Tarvos.INI", text);

  constexpr const char* kQuestion =
      "question: Cell File is Missing or Corrupt! Do You Want to Load Cell File ?";
  constexpr const char* kNotStarted = "error: the run did not start, so no file was written";
  const std::string earlier = work_.Read("out.RF");
  const ProgramRun yes = Run({"--virtual-time", "--answer", "yes"});
  EXPECT_EQ(yes.Status, kExitCannotStart);
  EXPECT_EQ(yes.Out, "");  // ended before its first step
  // Yes installs a cell file: the serial keeps its pre-filled text, the folder dialog
  // is cancelled.
  EXPECT_THAT(Lines(yes.Err), ElementsAre(kQuestion, "input: Enter Cell Serial Number : ",
                                          kQuestion, "input: Enter Cell Serial Number : ",
                                          "warning: The Run has Ended. (Invalid Conditions).",
                                          kNotStarted));
  const ProgramRun no = Run({"--virtual-time"});
  EXPECT_EQ(no.Status, kExitCannotStart);
  EXPECT_THAT(Lines(no.Err), ElementsAre(kQuestion, kQuestion,
                                         "warning: The Run has Ended. (Invalid Conditions).",
                                         kNotStarted));
  EXPECT_EQ(work_.Read("out.RF"), earlier);  // the earlier run's results stay
}

// A setup the run refuses (a finish past the cell's range) never gets a first step: every
// file named on the command line keeps its bytes, and the status says it did not start.
TEST_F(BatchProgramTest, ARunRefusedBeforeItsFirstStepWritesNothing) {
  std::vector<std::string> setup = Lines(TempFolder::ReadFile(kIecIndustrial));
  ASSERT_EQ(setup[6], "1000000000");
  setup[6] = "2000000000";
  std::string text;
  for (const std::string& line : setup) text += line + "\r\n";
  work_.Write("far.STP", text);
  ASSERT_EQ(Run({"--virtual-time", "--stop-after", "8"}).Status, kExitDone);
  const std::string earlier = work_.Read("out.RF");
  ASSERT_GT(Lines(earlier).size(), 40u);
  const std::string log = work_.Write("old.csv", "an earlier log\r\n");
  const std::string pdf = work_.Write("old.pdf", "an earlier report");

  const ProgramRun refused = RunProgram(
      work_.Path(), {"--batch", "far.STP", "--results", "out.RF", "--program-folder", "home",
                     "--virtual-time", "--log", "old.csv", "--table-pdf", "old.pdf"});
  EXPECT_EQ(refused.Status, kExitCannotStart);
  EXPECT_EQ(refused.Out, "");
  EXPECT_THAT(Lines(refused.Err), Contains("warning: Invalid End Frequency"));
  EXPECT_THAT(Lines(refused.Err), Contains("warning: The Run has Ended. (Invalid Conditions)."));
  EXPECT_EQ(Lines(refused.Err).back(), "error: the run did not start, so no file was written");
  EXPECT_EQ(work_.Read("out.RF"), earlier);
  EXPECT_EQ(work_.Read("old.csv"), "an earlier log\r\n");
  EXPECT_EQ(work_.Read("old.pdf"), "an earlier report");
}

TEST_F(BatchProgramTest, NoSynthesiserMeansTheRunCannotStart) {
  const ProgramRun run = Run({"--virtual-time", "--sim-bench", "none"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_EQ(run.Out, "");
  EXPECT_THAT(Lines(run.Err),
              Contains("error: no synthesiser found at start-up, so the run cannot start"));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "out.RF"));
}

TEST_F(BatchProgramTest, AnUnreadableSetupFileMeansTheRunCannotStart) {
  const ProgramRun run = RunProgram(work_.Path(), {"--batch", "missing.STP", "--results", "out.RF",
                                                   "--program-folder", "home", "--virtual-time"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_EQ(run.Out, "");
  EXPECT_THAT(run.Err, HasSubstr(": File not found\n"));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "out.RF"));
}

// A finish of 5000 MHz does not fit its 32-bit field: the file is refused as one with
// letters there would be, rather than run to 705.03 MHz.
TEST_F(BatchProgramTest, ASetupNumberPastItsFieldIsRefusedNotWrapped) {
  std::vector<std::string> setup = Lines(TempFolder::ReadFile(kIecIndustrial));
  for (const auto& [index, value] :
       std::vector<std::pair<std::size_t, std::string>>{{6, "5000000000"}, {8, "-1"}}) {
    auto lines = setup;
    lines[index] = value;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    work_.Write("wide.STP", text);
    const ProgramRun run = RunProgram(work_.Path(), {"--batch", "wide.STP", "--results", "out.RF",
                                                     "--program-folder", "home", "--virtual-time"});
    EXPECT_EQ(run.Status, kExitCannotStart) << value;
    EXPECT_EQ(run.Out, "") << value;
    EXPECT_THAT(run.Err, HasSubstr("Invalid numeric input")) << value;
    EXPECT_FALSE(work_.Has("out.RF")) << value;
  }
}

// A file named on the command line is named in its error as it was given; when it is not
// where it was given but the program folder (where the samples go) has it, the line says
// where.
TEST_F(BatchProgramTest, AFileThatIsNotThereIsNamedAndFoundInTheProgramFolder) {
  const ProgramRun run =
      RunProgram(work_.Path(), {"--batch", "IEC-Industrial.STP", "--results", "out.RF",
                                "--program-folder", "home", "--virtual-time"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_THAT(Lines(run.Err),
              Contains("error: IEC-Industrial.STP: File not found; the program folder has " +
                       work_.Path() + "home/IEC-Industrial.STP"));
  EXPECT_EQ(Lines(run.Err).size(), 3u) << run.Err;  // the first start's two, then this
  EXPECT_FALSE(work_.Has("out.RF"));

  const ProgramRun nowhere =
      RunProgram(work_.Path(), {"--batch", "sub/none.STP", "--results", "out.RF",
                                "--program-folder", "home", "--virtual-time"});
  EXPECT_THAT(Lines(nowhere.Err), Contains("error: sub/none.STP: File not found"));
  const ProgramRun resume =
      RunProgram(work_.Path(), {"--resume", "gone.RF", "--results", "out.RF",
                                "--program-folder", "home", "--virtual-time"});
  EXPECT_EQ(resume.Status, kExitCannotStart);
  EXPECT_THAT(Lines(resume.Err), Contains("error: gone.RF: File not found"));
  const ProgramRun prescan =
      RunProgram(work_.Path(), {"--batch", kIecIndustrial, "--prescan-file", "none.PSC",
                                "--results", "out.RF", "--program-folder", "home",
                                "--virtual-time"});
  EXPECT_EQ(prescan.Status, kExitCannotStart);
  EXPECT_THAT(Lines(prescan.Err), Contains("error: none.PSC: File not found"));
  EXPECT_FALSE(work_.Has("out.RF"));
}

TEST_F(BatchProgramTest, AResultsFileThatCannotBeWrittenIsItsOwnStatus) {
  const ProgramRun run = RunProgram(
      work_.Path(), {"--batch", kIecIndustrial, "--results", "no-folder/out.RF", "--program-folder",
                     "home", "--virtual-time", "--stop-after", "10"});
  EXPECT_EQ(run.Status, kExitNotSaved);
  EXPECT_THAT(run.Err, HasSubstr("File not found"));

  // A read-only results file stays as it was.
  const std::string locked = work_.Write("locked.RF", "earlier results\r\n");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
  const ProgramRun refused = RunProgram(
      work_.Path(), {"--batch", kIecIndustrial, "--results", "locked.RF", "--program-folder",
                     "home", "--virtual-time", "--stop-after", "10"});
  EXPECT_EQ(refused.Status, kExitNotSaved);
  EXPECT_THAT(refused.Err, HasSubstr("File access denied\n"));
  EXPECT_EQ(work_.Read("locked.RF"), "earlier results\r\n");
}

TEST_F(BatchProgramTest, ANamedProgramFolderThatCannotBeUsedIsAnError) {
  work_.Write("plain-file", "not a folder\n");
  const ProgramRun run = RunProgram(
      work_.Path(), {"--batch", kIecIndustrial, "--results", "out.RF", "--program-folder",
                     "plain-file/home", "--virtual-time"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_THAT(run.Err, HasSubstr("error: the program folder " + work_.Path() +
                                 "plain-file/home/ cannot be used\n"));
  EXPECT_FALSE(work_.Has("out.RF"));
}

TEST_F(BatchProgramTest, TheBatchProgramWithoutQtRunsTheSameScan) {
  const ProgramRun run =
      RunProgram(work_.Path(), {"--batch", kIecIndustrial, "--results", "out.RF",
                                "--program-folder", "home", "--virtual-time"},
                 {}, TARVOS_BATCH_EXECUTABLE);
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  EXPECT_EQ(StepLines(run.Out).size(), 255U);
  EXPECT_EQ(ResultLines().size(), 99U + 257U);
  const ProgramRun refused =
      RunProgram(work_.Path(), {"--batch", kIecIndustrial, "--results", "out2.RF",
                                "--program-folder", "home", "--table-pdf", "t.pdf"},
                 {}, TARVOS_BATCH_EXECUTABLE);
  EXPECT_EQ(refused.Status, kExitCannotStart);
  EXPECT_THAT(refused.Err, HasSubstr("printing the reports needs the program with the window"));
  EXPECT_FALSE(work_.Has("out2.RF"));

  // Its help names itself and only the options it takes; its usage errors point at it.
  const ProgramRun help = RunProgram(work_.Path(), {"--help"}, {}, TARVOS_BATCH_EXECUTABLE);
  EXPECT_EQ(help.Status, kExitDone);
  EXPECT_EQ(help.Out, UsageText(Program::BatchOnly));
  EXPECT_TRUE(help.Out.starts_with("Usage: tarvos-batch --batch SETUP.STP --results OUT.RF"))
      << help.Out;
  EXPECT_THAT(help.Out, Not(HasSubstr("  --report-pdf")));
  EXPECT_THAT(help.Out, Not(HasSubstr("  --table-pdf")));
  EXPECT_THAT(help.Out, Not(HasSubstr("Without --batch")));
  EXPECT_THAT(help.Out, Not(HasSubstr("Usage: tarvos ")));
  const ProgramRun wrong = RunProgram(work_.Path(), {"--batch"}, {}, TARVOS_BATCH_EXECUTABLE);
  EXPECT_EQ(wrong.Status, kExitCannotStart);
  EXPECT_EQ(Lines(wrong.Err).back(), "Run tarvos-batch --help for the options.");
}

TEST_F(BatchProgramTest, TheProgramFolderComesFromTarvosHomeWithoutTheOption) {
  const ProgramRun run = RunProgram(
      work_.Path(),
      {"--batch", kIecIndustrial, "--results", "out.RF", "--virtual-time", "--stop-after", "8"},
      "TARVOS_HOME=" + testing::ShellQuoted(work_.Path() + "elsewhere"));
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  EXPECT_TRUE(std::filesystem::exists(work_.Path() + "elsewhere/cell0010.csv"));
  EXPECT_TRUE(std::filesystem::exists(work_.Path() + "elsewhere/Tarvos.INI"));
  EXPECT_FALSE(std::filesystem::exists(Home()));
}

TEST_F(BatchProgramTest, BadUsageIsStatusTwoWithTheMessage) {
  const ProgramRun run = Run({"--sim-bench", "lab"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_EQ(run.Out, "");
  EXPECT_THAT(Lines(run.Err), ElementsAre(HasSubstr("error: unknown simulator bench 'lab' ("),
                                          std::string(batch_line::kUsageHint.Text)));
}

TEST_F(BatchProgramTest, BothReportsArePrintedToPdfWithoutADisplay) {
  const ProgramRun run =
      Run({"--virtual-time", "--report-pdf", "plot.pdf", "--table-pdf", "reports/table.pdf"},
          "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
  // The table's folder is missing: the plot is printed, the table is not, and the status
  // says a report was not written.
  EXPECT_EQ(run.Status, kExitNotSaved);
  EXPECT_TRUE(work_.Read("plot.pdf").starts_with("%PDF-"));
  EXPECT_THAT(run.Err, HasSubstr("error: the reports could not be printed to "));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "reports"));

  std::filesystem::create_directory(work_.Path() + "reports");
  const ProgramRun again =
      Run({"--virtual-time", "--report-pdf", "plot.pdf", "--table-pdf", "reports/table.pdf"},
          "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
  EXPECT_EQ(again.Status, kExitDone) << again.Err;
  const std::string table = work_.Read("reports/table.pdf");
  EXPECT_TRUE(table.starts_with("%PDF-"));
  // 255 rows do not fit on one page: every page is a page of one document.
  std::size_t pages = 0;
  for (std::size_t at = table.find("/Type /Page\n"); at != std::string::npos;
       at = table.find("/Type /Page\n", at + 1)) {
    ++pages;
  }
  EXPECT_GT(pages, 1U);
}

TEST_F(BatchProgramTest, HelpAndAWindowWithoutADisplay) {
  const ProgramRun help = RunProgram(work_.Path(), {"--help"});
  EXPECT_EQ(help.Status, kExitDone);
  EXPECT_EQ(help.Out, UsageText());
  const std::string no_display = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  const ProgramRun window = RunProgram(work_.Path(), {}, no_display);
  EXPECT_EQ(window.Status, kExitCannotStart);
  EXPECT_EQ(window.Out, "");
  EXPECT_EQ(window.Err, std::string(batch_line::kNoDisplay.Text) + "\n");
  // Batch-only options are refused before anything opens.
  const ProgramRun wrong = RunProgram(work_.Path(), {"--virtual-time"}, no_display);
  EXPECT_EQ(wrong.Status, kExitCannotStart);
  EXPECT_THAT(Lines(wrong.Err),
              ElementsAre("error: --virtual-time works only in a batch run (--batch)",
                          std::string(batch_line::kUsageHint.Text)));
}

TEST_F(BatchProgramTest, AnAdapterLibraryThatDoesNotLoadIsReported) {
  const ProgramRun run = Run({"--adapters", work_.Path() + "libnothing.so"});
  EXPECT_EQ(run.Status, kExitCannotStart);
  EXPECT_THAT(run.Err, HasSubstr("libnothing.so"));
  EXPECT_TRUE(run.Err.starts_with("error: ")) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "out.RF"));
}

// The simulator loaded as a vendor's library, on the real clock: start-up searches the
// adapters, then the run is stopped during its warm-up.
TEST_F(BatchProgramTest, TheSimulatorLibraryRunsOnTheRealClock) {
  std::filesystem::create_directory(Home());
  for (const char* name : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT"}) {
    std::filesystem::copy_file(std::string(TARVOS_SOURCE_DIR "/data/") + name, Home() + name);
  }
  const ProgramRun run =
      Run({"--adapters", TARVOS_SIM_LIBRARY, "--stop-after", "0.5", "--log", "real.csv"});
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  std::vector<std::string> steps;
  const long long run_ms = RunTimeOf(run.Out, steps);
  EXPECT_GE(run_ms, 400) << run.Out;
  EXPECT_LT(run_ms, 5000) << run.Out;
  // On the real clock too the end row and the run time are one measure, to within a tick.
  const std::vector<records::RunLogRow> rows = LogRows(work_.Read("real.csv"));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back().Event, records::run_event::kEnd);
  EXPECT_NEAR(rows.back().ElapsedS * 1000.0, static_cast<double>(run_ms), 55.0);
  EXPECT_TRUE(steps.empty()) << run.Out;
  EXPECT_THAT(Lines(run.Err), Contains("information: The Run has been Stopped by User. "));
  EXPECT_TRUE(std::filesystem::exists(work_.Path() + "out.RF"));
  // No seeding beside a library: the example setups were not copied in.
  EXPECT_FALSE(std::filesystem::exists(Home() + "IEC-Industrial.STP"));

  const ProgramRun none = Run({"--adapters", TARVOS_SIM_LIBRARY}, "TARVOS_SIM_BENCH=none");
  EXPECT_EQ(none.Status, kExitCannotStart);
  EXPECT_THAT(Lines(none.Err),
              Contains("error: no synthesiser found at start-up, so the run cannot start"));
}

// The same through the adapter helper; a library the helper cannot load is one warning,
// and then the adapters are missing as they would be unplugged.
TEST_F(BatchProgramTest, TheSimulatorLibraryRunsThroughTheAdapterProcess) {
  std::filesystem::create_directory(Home());
  for (const char* name : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT"}) {
    std::filesystem::copy_file(std::string(TARVOS_SOURCE_DIR "/data/") + name, Home() + name);
  }
  const ProgramRun run =
      Run({"--adapters", TARVOS_SIM_LIBRARY, "--adapter-process", "--stop-after", "0.5"});
  EXPECT_EQ(run.Status, kExitDone) << run.Err;
  EXPECT_THAT(Lines(run.Err), Contains("information: The Run has been Stopped by User. "));
  EXPECT_THAT(run.Err, Not(HasSubstr("adapter process")));
  EXPECT_TRUE(std::filesystem::exists(work_.Path() + "out.RF"));
  std::filesystem::remove(work_.Path() + "out.RF");

  const ProgramRun lost = Run({"--adapters", work_.Path() + "libnothing.so", "--adapter-process"});
  EXPECT_EQ(lost.Status, kExitCannotStart);
  const auto lines = Lines(lost.Err);
  const std::string cannot_load = "warning: Cannot load adapter library " + work_.Path() + "libnothing.so: ";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& line) {
                            return line.starts_with(cannot_load) ||
                                   line.starts_with("warning: The adapter");
                          }),
            1)
      << lost.Err;
  EXPECT_THAT(lines, Contains(::testing::StartsWith(cannot_load)));
  EXPECT_THAT(lines, Contains("error: no synthesiser found at start-up, so the run cannot start"));
  EXPECT_FALSE(std::filesystem::exists(work_.Path() + "out.RF"));
}

// Ctrl+C at a terminal goes to its whole foreground group: the batch program and its
// helper. The helper stands outside it, and the program ends the run as STOP does, with
// the helper still serving the closing steps (the field off); the results are saved and
// the exit status is 3.
TEST_F(BatchProgramTest, CtrlCThroughTheHelperEndsTheRunAsStopAndSavesIt) {
  std::filesystem::create_directory(Home());
  for (const char* name : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT"}) {
    std::filesystem::copy_file(std::string(TARVOS_SOURCE_DIR "/data/") + name, Home() + name);
  }
  std::vector<std::string> args = {TARVOS_BATCH_EXECUTABLE, "--batch", kIecIndustrial,
                                   "--results", "out.RF", "--program-folder", "home",
                                   "--adapters", TARVOS_SIM_LIBRARY, "--adapter-process"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string folder = work_.Path();
  const std::string out = folder + "ctrl-c.out";
  const std::string err = folder + "ctrl-c.err";
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::setpgid(0, 0);  // the terminal's foreground group, of its own
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::setpgid(program, program);
  // Once the run has begun (its log is there), Ctrl+C.
  const auto run_begun = [&] {
    std::error_code ignored;
    return std::filesystem::is_directory(Home() + "logs", ignored) &&
           !std::filesystem::is_empty(Home() + "logs", ignored);
  };
  uint64_t deadline = platform::MonotonicMs() + 60'000;
  while (!run_begun() && platform::MonotonicMs() < deadline) ::usleep(20'000);
  ::usleep(500'000);
  ::kill(-program, SIGINT);
  int status = 0;
  pid_t done = 0;
  deadline = platform::MonotonicMs() + 60'000;
  while ((done = ::waitpid(program, &status, WNOHANG)) == 0 &&
         platform::MonotonicMs() < deadline) {
    ::usleep(20'000);
  }
  if (done == 0) {
    ::kill(-program, SIGKILL);
    ::waitpid(program, &status, 0);
    FAIL() << "the program did not end after Ctrl+C";
  }
  const std::string said = TempFolder::ReadFile(err);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << said;
  EXPECT_EQ(WEXITSTATUS(status), kExitRunEnded) << said;
  EXPECT_THAT(Lines(said), Contains(Said(batch_line::kInterrupted)));
  EXPECT_THAT(Lines(said), Contains("information: The Run has been Stopped by User. "));
  EXPECT_THAT(said, Not(HasSubstr("adapter process"))) << "the helper took the Ctrl+C";
  EXPECT_TRUE(std::filesystem::exists(folder + "out.RF"));
  EXPECT_THAT(TempFolder::ReadFile(out), HasSubstr("run time: "));
}

}  // namespace
}  // namespace tarvos::app
