// A file that grows as a run goes: each append is in the file at once, an existing file is
// never taken over, and a missing folder fails at the start.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text_file.h"
#include "temp_path.h"

namespace tarvos::platform {
namespace {

TEST(AppendingFileTest, EachAppendIsInTheFileAtOnce) {
  const std::string folder = testing_support::MakeTempFolder("tarvos-append") + "/";
  const std::string path = folder + "run.csv";
  {
    AppendingFile file(path);
    file.Append("header\r\n");
    EXPECT_EQ(ReadFileBytes(path), "header\r\n");
    file.Append("row 1\r\n");
    EXPECT_EQ(ReadFileBytes(path), "header\r\nrow 1\r\n");
    // Another writer may not take it over while it is written, nor after.
    EXPECT_THROW(AppendingFile again(path), FileError);
  }
  EXPECT_THROW(AppendingFile again(path), FileError);
  EXPECT_EQ(ReadFileBytes(path), "header\r\nrow 1\r\n");
  EXPECT_THROW(AppendingFile missing(folder + "no-such-folder/run.csv"), FileError);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarvos::platform
