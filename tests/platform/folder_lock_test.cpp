// One program per program folder: the lock is taken without waiting, refused while held,
// free again once its holder lets it go.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/folder_lock.h"
#include "temp_path.h"

namespace tarvos::platform {
namespace {

using Outcome = FolderLock::Outcome;

TEST(FolderLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
  const std::string folder = testing_support::MakeTempFolder("tarvos-lock") + "/";
  Outcome first_outcome = Outcome::NotLockable;
  auto first = FolderLock::Take(folder, first_outcome);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first_outcome, Outcome::Held);
  EXPECT_TRUE(std::filesystem::exists(folder + "tarvos.lock"));

  Outcome second_outcome = Outcome::Held;
  EXPECT_EQ(FolderLock::Take(folder, second_outcome), nullptr);
  EXPECT_EQ(second_outcome, Outcome::HeldByAnother);

  first.reset();
  Outcome third_outcome = Outcome::NotLockable;
  EXPECT_NE(FolderLock::Take(folder, third_outcome), nullptr);
  EXPECT_EQ(third_outcome, Outcome::Held);
  std::filesystem::remove_all(folder);
}

TEST(FolderLockTest, AFolderThatIsNotThereTakesNoLock) {
  const std::string folder = testing_support::MakeTempFolder("tarvos-lock") + "/";
  Outcome outcome = Outcome::Held;
  EXPECT_EQ(FolderLock::Take(folder + "no-such-folder/", outcome), nullptr);
  EXPECT_EQ(outcome, Outcome::NotLockable);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvos::platform
