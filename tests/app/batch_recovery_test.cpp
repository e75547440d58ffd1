// A batch run killed in the middle, on the real clock, and the program started again:
// the steps recorded before the kill are in the file the next start-up names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
  std::vector<std::string> logs;
  for (const auto& entry : std::filesystem::directory_iterator(work.Path() + "home/logs")) {
    logs.push_back(entry.path().filename().string());
  }
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
  const std::regex told(R"(information: Results of an unfinished run were saved as )"
                        R"((recovered-\d{8}-\d{6}\.RF))");
  std::smatch match;
  std::string name;
  int times = 0;
  for (const std::string& line : Lines(again.Err)) {
    if (std::regex_match(line, match, told)) {
      name = match[1].str();
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

}  // namespace
}  // namespace tarvos::app
