// The helper's life as only Linux stages it here: it dies with a program killed in the
// middle of a call, it gets its pipes when the program started with its standard
// descriptors closed, and it stands outside the terminal's Ctrl+C.
#include "platform/helper_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "platform/precise_sleep.h"

namespace tarvos::platform {
namespace {

// Gone, or a zombie no one has reaped yet: either way it holds nothing.
bool Gone(pid_t pid) {
  if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string id, name, state;
  stat >> id >> name >> state;
  return !stat || state == "Z";
}

TEST(HelperProcessTest, AHelperDiesWithAProgramKilledInTheMiddleOfACall) {
  int told[2];
  ASSERT_EQ(::pipe(told), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // The program: a helper that never answers, and a wait for its answer.
    ::close(told[0]);
    HelperProcess helper;
    if (!helper.Start("/bin/sleep", {"600"})) ::_exit(1);
    const pid_t id = static_cast<pid_t>(helper.Id());
    if (::write(told[1], &id, sizeof id) != sizeof id) ::_exit(1);
    helper.Read(MonotonicMs() + 600'000);
    ::_exit(0);
  }
  ::close(told[1]);
  pid_t helper = -1;
  ASSERT_EQ(::read(told[0], &helper, sizeof helper), static_cast<ssize_t>(sizeof helper));
  ::close(told[0]);
  EXPECT_FALSE(Gone(helper));
  ::kill(program, SIGKILL);
  int status = 0;
  ::waitpid(program, &status, 0);
  const uint64_t deadline = MonotonicMs() + 2000;
  while (!Gone(helper) && MonotonicMs() < deadline) ::usleep(10'000);
  EXPECT_TRUE(Gone(helper)) << "the helper outlived the program";
  if (!Gone(helper)) ::kill(helper, SIGKILL);
}

TEST(HelperProcessTest, ItsPipesReachItWhenTheProgramHasNoStandardInputOrOutput) {
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // The pipes' first ends now land on descriptors 0 and 1.
    ::close(STDIN_FILENO);
    ::close(STDOUT_FILENO);
    HelperProcess helper;
    if (!helper.Start("/bin/cat", {})) ::_exit(1);
    if (!helper.Write("frame", MonotonicMs() + 5000)) ::_exit(2);
    const auto echoed = helper.Read(MonotonicMs() + 5000);
    ::_exit(echoed == std::optional<std::string>("frame") ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no start, 2: no write, 3: no echo";
}

TEST(HelperProcessTest, CtrlCAtTheTerminalDoesNotReachTheHelper) {
  HelperProcess helper;
  ASSERT_TRUE(helper.Start("/bin/sleep", {"600"}));
  const pid_t id = static_cast<pid_t>(helper.Id());
  // Its own group: the terminal's SIGINT goes to the program's group only.
  uint64_t deadline = MonotonicMs() + 2000;
  while (::getpgid(id) != id && MonotonicMs() < deadline) ::usleep(1'000);
  EXPECT_EQ(::getpgid(id), id);
  EXPECT_NE(::getpgid(id), ::getpgid(0));
  // Killing it waits for it, within the bound.
  const uint64_t before = MonotonicMs();
  helper.Kill();
  EXPECT_LT(MonotonicMs() - before, HelperProcess::kKillWaitMs);
  EXPECT_FALSE(helper.Stuck());
  EXPECT_EQ(helper.Ended(), "The adapter process has ended (signal 9).");
}

// A read ends with bytes, at the deadline (not before) with the output still open, or at
// once when the output closes: a hang and an end are told apart.
TEST(HelperProcessTest, AReadTellsTimeUpFromAClosedOutput) {
  HelperProcess silent;
  ASSERT_TRUE(silent.Start("/bin/sleep", {"600"}));
  const uint64_t before = MonotonicMs();
  EXPECT_FALSE(silent.Read(before + 300));
  EXPECT_GE(MonotonicMs(), before + 300);
  EXPECT_FALSE(silent.OutputClosed());
  EXPECT_FALSE(silent.Ended());

  HelperProcess ending;
  ASSERT_TRUE(ending.Start("/bin/sh", {"-c", "printf said; exit 7"}));
  std::string said;
  while (const auto bytes = ending.Read(MonotonicMs() + 5000)) said += *bytes;
  EXPECT_EQ(said, "said");
  EXPECT_TRUE(ending.OutputClosed());
  std::optional<std::string> how;
  const uint64_t deadline = MonotonicMs() + 2000;
  while (!(how = ending.Ended()) && MonotonicMs() < deadline) ::usleep(1'000);
  EXPECT_EQ(how, "The adapter process has ended (exit code 7).");
}

}  // namespace
}  // namespace tarvos::platform
