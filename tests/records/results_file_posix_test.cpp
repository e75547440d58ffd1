// A disk that fills up during a save, made with the file size limit only POSIX has.
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text_file.h"
#include "records/records_rig.h"
#include "records/results_file.h"

namespace tarvos::records {
namespace {

void FillResults(engine::ResultStore& results, uint32_t n) {
  for (uint32_t i = 1; i <= n; ++i) {
    results.Entries[i] = {100'000'000 + i * 1'000'000, 1.0 + i * 0.25,
                          static_cast<uint16_t>(i % 3)};
  }
  results.Entries[0] = results.Entries[1];
  results.NextIndex = n + 1;
}

class ResultsFileDiskFullTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  RecordsRig rig_;
  std::string path_ = folder_.File("run.RF");
};

// A file size limit makes the write fail part-way, as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_signal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previous_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previous_signal_ = SIG_DFL;
};

TEST_F(ResultsFileDiskFullTest, AFailedSaveLeavesThePreviousFileWhole) {
  FillResults(*rig_.Results, 3);
  SaveResultsFile(rig_.Context(), path_);
  const std::string before = FileBytes(path_);

  FillResults(*rig_.Results, 500);
  std::string error_text;
  {
    FileSizeLimit limit(before.size() + 100);
    try {
      SaveResultsFile(rig_.Context(), path_);
    } catch (const platform::FileError& error) {
      error_text = error.what();
    }
  }
  EXPECT_EQ(error_text, "Disk full");
  EXPECT_EQ(FileBytes(path_), before);
  // No temporary file is left beside it.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace tarvos::records
