// A batch run killed in the middle, on the real clock, and the program started again:
// the steps recorded before the kill are in the file the next start-up names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_rig.h"
#include "app/batch_run.h"
#include "records/run_log.h"

namespace tarvos::app {
namespace {

using ::testing::HasSubstr;
using testing::Lines;
using testing::ProgramRun;
using testing::RunProgram;
using testing::TempFolder;

constexpr const char* kIecIndustrial = TARVOS_SOURCE_DIR "/data/IEC-Industrial.STP";

// The program started in the background with its standard output in a file.
class Background {
 public:
  Background(const std::string& folder, const std::vector<std::string>& args)
      : out_(folder + "background.out") {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      FILE* out = std::freopen(out_.c_str(), "w", stdout);
      FILE* err = std::freopen((folder + "background.err").c_str(), "w", stderr);
      if (out == nullptr || err == nullptr) ::_exit(126);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(TARVOS_EXECUTABLE));
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(TARVOS_EXECUTABLE, argv.data());
      ::_exit(127);
    }
  }
  ~Background() { Kill(); }

  std::string Out() const { return TempFolder::ReadFile(out_); }
  // Waits at most the time for the text to appear on standard output.
  bool WaitFor(const std::string& text, std::chrono::seconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
      if (Out().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  // As a power cut would: no closing steps, no end of the run.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  std::string out_;
  pid_t pid_ = -1;
};

TEST(BatchRecoveryTest, AKilledRunLeavesItsStepsAndTheNextStartNamesThem) {
  ASSERT_EQ(::access(TARVOS_EXECUTABLE, X_OK), 0);
  TempFolder work;
  const std::vector<std::string> args = {"--batch", kIecIndustrial, "--results", "out.RF",
                                         "--program-folder", "home"};
  Background run(work.Path(), args);
  ASSERT_TRUE(run.WaitFor("step 2: ", std::chrono::seconds(120))) << run.Out();
  run.Kill();
  const std::vector<std::string> steps = Lines(run.Out());
  ASSERT_GE(steps.size(), 2u);
  EXPECT_TRUE(steps[0].starts_with("step 1: 80.000 MHz, ")) << steps[0];
  EXPECT_TRUE(steps[1].starts_with("step 2: 80.800 MHz, ")) << steps[1];
  EXPECT_FALSE(work.Has("out.RF"));
  ASSERT_TRUE(work.Has("home/recovery.RF"));
  // The killed run's file: whole, in the results layout, with at least the steps shown.
  const std::vector<std::string> left = Lines(work.Read("home/recovery.RF"));
  ASSERT_GE(left.size(), 98u + steps.size() + 2);
  EXPECT_EQ(left[0], "Software Version");
  EXPECT_EQ(left[97], "finish");

  // Its log ends with a whole row: the steps printed are in it, no end row, and the file
  // reads back as a run log.
  const std::vector<std::string> logs = work.Names("home/logs");
  ASSERT_EQ(logs.size(), 1u);
  const std::string log = work.Read("home/logs/" + logs[0]);
  EXPECT_TRUE(log.ends_with("\r\n"));
  const auto rows = records::ReadRunLog(log);
  ASSERT_TRUE(rows);
  int logged_steps = 0;
  for (const records::RunLogRow& row : *rows) {
    if (row.Event == records::run_event::kStep) ++logged_steps;
    EXPECT_NE(row.Event, records::run_event::kEnd);
  }
  EXPECT_GE(logged_steps, static_cast<int>(steps.size()));
  EXPECT_EQ(rows->front().Event, records::run_event::kStart);

  // Started again: the file is renamed after the settings are read and named once.
  const ProgramRun again = RunProgram(work.Path(), [&] {
    auto next = args;
    next.push_back("--virtual-time");
    next.push_back("--stop-after");
    next.push_back("5");
    return next;
  }());
  EXPECT_EQ(again.Status, kExitDone) << again.Err;
  // One line: the message's line break is a blank there. Without the window it names
  // the file in full and the command that resumes it.
  const std::string home = work.Path() + "home/";
  const std::regex told(R"(information: Results of an unfinished run were saved as (.*)/)"
                        R"((recovered-\d{8}-\d{6}\.RF) To finish the run: tarvos --resume )"
                        R"re("(.*)" --results OUT\.RF)re");
  std::smatch match;
  std::string name;
  int times = 0;
  for (const std::string& line : Lines(again.Err)) {
    if (std::regex_match(line, match, told)) {
      EXPECT_EQ(match[1].str() + "/", home);
      name = match[2].str();
      EXPECT_EQ(match[3].str(), home + name);
      ++times;
    }
  }
  ASSERT_EQ(times, 1) << again.Err;
  EXPECT_FALSE(work.Has("home/recovery.RF"));
  ASSERT_TRUE(work.Has("home/" + name));
  const std::vector<std::string> recovered = Lines(work.Read("home/" + name));
  EXPECT_EQ(recovered, left);
  // The steps printed before the kill are the file's entries 1 and 2, after the heading
  // and entry 0 (";" delimited by default, frequency first).
  EXPECT_THAT(recovered[100], HasSubstr("80000000;")) << recovered[100];
  EXPECT_THAT(recovered[101], HasSubstr("80800000;")) << recovered[101];
}

// A second copy on the folder of a run in progress is refused before it touches anything:
// the first run's recovery file goes on growing, and once the first is gone (killed, so
// no closing steps) the folder is free again.
TEST(BatchRecoveryTest, ASecondCopyOnTheSameProgramFolderIsRefused) {
  ASSERT_EQ(::access(TARVOS_EXECUTABLE, X_OK), 0);
  TempFolder work;
  const std::vector<std::string> args = {"--batch", kIecIndustrial, "--results", "out.RF",
                                         "--program-folder", "home"};
  Background run(work.Path(), args);
  ASSERT_TRUE(run.WaitFor("step 2: ", std::chrono::seconds(120))) << run.Out();

  std::vector<std::string> second = args;
  second[3] = "second.RF";
  second.push_back("--virtual-time");
  second.push_back("--stop-after");
  second.push_back("5");
  const ProgramRun refused = RunProgram(work.Path(), second);
  EXPECT_EQ(refused.Status, kExitCannotStart);
  EXPECT_EQ(refused.Out, "");
  const std::string home = std::filesystem::canonical(work.Path() + "home").string();
  EXPECT_EQ(refused.Err, "error: Tarvos is already running with the program folder " + home +
                             ".\n");
  EXPECT_FALSE(work.Has("second.RF"));
  EXPECT_TRUE(work.Has("home/recovery.RF"));
  EXPECT_FALSE(work.Has("home/Tarvos.INI"));  // only the first copy writes it, at its close
  for (const std::string& name : work.Names("home")) {
    EXPECT_FALSE(name.starts_with("recovered-")) << name;
  }
  // The first run goes on recording.
  ASSERT_TRUE(run.WaitFor("step 3: ", std::chrono::seconds(120))) << run.Out();
  run.Kill();

  const ProgramRun after = RunProgram(work.Path(), second);
  EXPECT_EQ(after.Status, kExitDone) << after.Err;
  EXPECT_THAT(after.Err, HasSubstr("information: Results of an unfinished run were saved as "));
}

// A pre-scan killed in the middle keeps a file of its own, which the next start names as
// a pre-scan to run again; it is never resumed as a test.
TEST(BatchRecoveryTest, AnInterruptedPreScanIsNamedAsOneAndNeverResumed) {
  ASSERT_EQ(::access(TARVOS_EXECUTABLE, X_OK), 0);
  TempFolder work;
  Background run(work.Path(), {"--batch", kIecIndustrial, "--results", "out.RF",
                               "--program-folder", "home", "--prescan"});
  ASSERT_TRUE(run.WaitFor("step 2: ", std::chrono::seconds(120))) << run.Out();
  run.Kill();
  EXPECT_FALSE(work.Has("home/recovery.RF"));
  ASSERT_TRUE(work.Has("home/recovery-prescan.RF"));
  const std::vector<std::string> logs = work.Names("home/logs");
  ASSERT_EQ(logs.size(), 1u);
  const auto rows = records::ReadRunLog(work.Read("home/logs/" + logs[0]));
  ASSERT_TRUE(rows);
  EXPECT_THAT(rows->front().Text, HasSubstr("mode=Pre-Scan (Standard); "));

  const ProgramRun again =
      RunProgram(work.Path(), {"--resume", "home/recovery-prescan.RF", "--results", "again.RF",
                               "--program-folder", "home", "--virtual-time"});
  EXPECT_EQ(again.Status, kExitCannotStart);
  const std::regex told(R"(information: A pre-scan was interrupted; what it had measured was )"
                        R"(saved as (.*)/(recovered-prescan-\d{8}-\d{6}\.RF) A pre-scan cannot be )"
                        R"(resumed: to use one, run it again \(PRE-SCAN\)\.)");
  // After the first start's questions (the killed pre-scan never closed to save them).
  const std::vector<std::string> said = Lines(again.Err);
  ASSERT_GE(said.size(), 2u) << again.Err;
  std::smatch match;
  ASSERT_TRUE(std::regex_match(said[said.size() - 2], match, told)) << again.Err;
  EXPECT_EQ(match[1].str() + "/", work.Path() + "home/");  // in full, without the window
  EXPECT_EQ(said.back(), "warning: Only a standard or custom scan can be resumed.");
  EXPECT_FALSE(work.Has("again.RF"));
  EXPECT_FALSE(work.Has("home/recovery-prescan.RF"));

  // Under its new name it is still a pre-scan's.
  const ProgramRun renamed =
      RunProgram(work.Path(), {"--resume", "home/" + match[2].str(), "--results", "again.RF",
                               "--program-folder", "home", "--virtual-time"});
  EXPECT_EQ(renamed.Status, kExitCannotStart);
  EXPECT_EQ(Lines(renamed.Err).back(), "warning: Only a standard or custom scan can be resumed.");
  EXPECT_FALSE(work.Has("again.RF"));
}

// The frequency column of a results file's entries 1 to the last, and its entry lines.
std::vector<std::string> EntryLines(const std::vector<std::string>& lines) {
  const auto heading = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("FREQUENCY");
  });
  if (heading == lines.end() || lines.end() - heading < 3) return {};
  // After the heading: entry 0, the results, and the empty entry at next index.
  return {heading + 2, lines.end() - 1};
}
std::vector<std::string> FrequencyColumn(const std::vector<std::string>& entries) {
  std::vector<std::string> column;
  for (const std::string& line : entries) column.push_back(line.substr(0, line.find(';')));
  return column;
}

TEST(BatchRecoveryTest, AKilledRunResumedFromItsRecoveryFileEndsAsOneRun) {
  ASSERT_EQ(::access(TARVOS_EXECUTABLE, X_OK), 0);
  TempFolder work;
  Background run(work.Path(), {"--batch", kIecIndustrial, "--results", "out.RF",
                               "--program-folder", "home"});
  ASSERT_TRUE(run.WaitFor("step 3: ", std::chrono::seconds(180))) << run.Out();
  run.Kill();
  ASSERT_TRUE(work.Has("home/recovery.RF"));
  const std::vector<std::string> left = EntryLines(Lines(work.Read("home/recovery.RF")));
  const std::size_t n = left.size();
  ASSERT_GE(n, 3u);

  // The program folder's own recovery file, named before start-up renames it.
  const ProgramRun resumed =
      RunProgram(work.Path(), {"--resume", "home/recovery.RF", "--results", "resumed.RF",
                               "--program-folder", "home", "--virtual-time"});
  ASSERT_EQ(resumed.Status, kExitDone) << resumed.Err;
  EXPECT_THAT(resumed.Err, HasSubstr("information: Results of an unfinished run were saved as "));
  EXPECT_FALSE(work.Has("home/recovery.RF"));
  // Step n again, then on: the steps before it are not levelled again.
  const std::vector<std::string> out = Lines(resumed.Out);
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(out[0].starts_with("step " + std::to_string(n) + ": ")) << out[0];
  for (const std::string& line : out) {
    if (!line.starts_with("step ")) continue;
    EXPECT_GE(std::stoul(line.substr(5)), n) << line;
  }
  // Its log says which results it kept and which file it continued, as given.
  int resume_rows = 0;
  for (const std::string& name : work.Names("home/logs")) {
    const auto rows = records::ReadRunLog(work.Read("home/logs/" + name));
    ASSERT_TRUE(rows);
    for (const records::RunLogRow& row : *rows) {
      if (row.Event != records::run_event::kResume) continue;
      ++resume_rows;
      EXPECT_EQ(row.Step, n - 1);
      EXPECT_EQ(row.Text, "home/recovery.RF");
    }
  }
  EXPECT_EQ(resume_rows, 1);

  const ProgramRun whole = RunProgram(
      work.Path(), {"--batch", kIecIndustrial, "--results", "whole.RF", "--program-folder",
                    "home2", "--virtual-time"});
  ASSERT_EQ(whole.Status, kExitDone) << whole.Err;
  const std::vector<std::string> resumed_entries = EntryLines(Lines(work.Read("resumed.RF")));
  const std::vector<std::string> whole_entries = EntryLines(Lines(work.Read("whole.RF")));
  ASSERT_GT(whole_entries.size(), 200u);
  EXPECT_EQ(FrequencyColumn(resumed_entries), FrequencyColumn(whole_entries));
  // The results before n are the killed run's, as its file kept them.
  for (std::size_t i = 0; i + 1 < n; ++i) EXPECT_EQ(resumed_entries[i], left[i]) << i + 1;

  // Resumed once more, the finished file is refused and nothing is written.
  const ProgramRun again = RunProgram(
      work.Path(), {"--resume", "resumed.RF", "--results", "again.RF", "--program-folder",
                    "home", "--virtual-time"});
  EXPECT_EQ(again.Status, kExitCannotStart);
  EXPECT_THAT(again.Err, HasSubstr("warning: This scan has already reached its finish.\n"));
  EXPECT_FALSE(work.Has("again.RF"));
  EXPECT_TRUE(Lines(again.Out).empty()) << again.Out;
}

// A resume stopped before its first step records: the result it was to measure again
// stays in the file, EUT status and all.
TEST(BatchRecoveryTest, AResumeStoppedBeforeItsFirstStepKeepsEveryResult) {
  TempFolder work;
  ASSERT_EQ(RunProgram(work.Path(), {"--batch", kIecIndustrial, "--results", "stop.RF",
                                     "--program-folder", "home", "--virtual-time",
                                     "--stop-after", "40"})
                .Status,
            kExitDone);
  std::vector<std::string> lines = Lines(work.Read("stop.RF"));
  const std::vector<std::string> entries = EntryLines(lines);
  const std::size_t n = entries.size();
  ASSERT_GE(n, 3u);
  // The last result with the EUT failed: its status is the file's to keep.
  std::string& last = lines[lines.size() - 2];
  ASSERT_EQ(last, entries.back());
  last = last.substr(0, last.rfind(';') + 1) + "     2";
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  work.Write("stop.RF", text);

  const ProgramRun resumed =
      RunProgram(work.Path(), {"--resume", "stop.RF", "--results", "stop.RF", "--program-folder",
                               "home", "--virtual-time", "--stop-after", "1"});
  ASSERT_EQ(resumed.Status, kExitDone) << resumed.Err;
  for (const std::string& line : Lines(resumed.Out)) {
    EXPECT_FALSE(line.starts_with("step ")) << resumed.Out;
  }
  const std::vector<std::string> kept = EntryLines(Lines(work.Read("stop.RF")));
  ASSERT_EQ(kept.size(), n);
  EXPECT_EQ(kept.back(), last);
  EXPECT_EQ(kept, EntryLines(lines));
}

}  // namespace
}  // namespace tarvos::app
