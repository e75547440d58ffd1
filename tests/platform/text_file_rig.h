#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/text_file.h"
#include "temp_path.h"

namespace tarvos::platform {

// A folder of the test's own, removed afterwards with whatever is left in it.
class TextFileTest : public ::testing::Test {
 protected:
  TextFileTest() {
    folder_ = testing_support::MakeTempFolder("tarvos-text");
  }
  ~TextFileTest() override {
    std::error_code ignored;
    // A file left read-only goes too.
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  std::size_t FilesInFolder() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_)) {
      ++count;
    }
    return count;
  }

  std::string folder_;
};

// The text of the FileError the action throws, or "no error".
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}


}  // namespace tarvos::platform
