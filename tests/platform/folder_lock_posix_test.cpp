// A holder killed outright leaves no stale lock: the system lets it go with the process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/folder_lock.h"
#include "temp_path.h"

namespace tarvos::platform {
namespace {

using Outcome = FolderLock::Outcome;

TEST(FolderLockPosixTest, AKilledHolderLeavesTheFolderFree) {
  const std::string folder = testing_support::MakeTempFolder("tarvos-lock") + "/";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Outcome outcome = Outcome::NotLockable;
    auto lock = FolderLock::Take(folder, outcome);
    const char said = outcome == Outcome::Held ? 'y' : 'n';
    if (::write(ready[1], &said, 1) != 1) ::_exit(2);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char said = 0;
  ASSERT_EQ(::read(ready[0], &said, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(said, 'y');

  Outcome while_held = Outcome::Held;
  EXPECT_EQ(FolderLock::Take(folder, while_held), nullptr);
  EXPECT_EQ(while_held, Outcome::HeldByAnother);

  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  Outcome after = Outcome::NotLockable;
  EXPECT_NE(FolderLock::Take(folder, after), nullptr);
  EXPECT_EQ(after, Outcome::Held);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvos::platform
