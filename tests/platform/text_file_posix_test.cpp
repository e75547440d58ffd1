// What only POSIX file modes can show: the mode of a new file, of a replaced one, and a
// refusal by mode bits alone (which root meets too).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/text_file_rig.h"

namespace tarvos::platform {
namespace {

TEST_F(TextFileTest, ASavedFileIsAsReadableAsAnyOther) {
  const mode_t mask = ::umask(022);
  WriteFileAtomically(File("p.txt"), "x");
  ::umask(mask);
  struct stat info {};
  ASSERT_EQ(::stat(File("p.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(TextFileTest, AFileThatMayNotBeWrittenIsRefusedBeforeTheFirstLine) {
  WriteFileAtomically(File("locked.RF"), "kept\r\n");
  ASSERT_EQ(::chmod(File("locked.RF").c_str(), 0444), 0);
  // Refused when the writer is made, whoever runs the test (root has no write bit here).
  EXPECT_EQ(ErrorOf([&] { TextWriter writer(File("locked.RF")); }), "File access denied");
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(File("locked.RF"), "new"); }),
            "File access denied");
  EXPECT_EQ(TextReader::Open(File("locked.RF")).ReadLine(), "kept");
  struct stat info {};
  ASSERT_EQ(::stat(File("locked.RF").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(FilesInFolder(), 1u);

  // A missing folder fails as the writer is made, too.
  EXPECT_EQ(ErrorOf([&] { TextWriter writer(File("none/x.txt")); }), "File not found");
}

TEST_F(TextFileTest, AReplacedFileKeepsItsModeAndADroppedWriterLeavesNothing) {
  WriteFileAtomically(File("own.STP"), "old\r\n");
  ASSERT_EQ(::chmod(File("own.STP").c_str(), 0640), 0);
  WriteFileAtomically(File("own.STP"), "new\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(File("own.STP").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  {
    TextWriter dropped(File("own.STP"));
    dropped.WriteLine("never written");
    EXPECT_EQ(FilesInFolder(), 2u);  // the temporary file beside the target
  }
  EXPECT_EQ(FilesInFolder(), 1u);
  EXPECT_EQ(TextReader::Open(File("own.STP")).ReadLine(), "new");

  // The settings file's way: its read-only mark cleared, then replaced.
  ASSERT_EQ(::chmod(File("own.STP").c_str(), 0444), 0);
  ClearReadOnly(File("own.STP"));
  WriteFileAtomically(File("own.STP"), "newer\r\n");
  EXPECT_EQ(TextReader::Open(File("own.STP")).ReadLine(), "newer");
  ClearReadOnly(File("absent.txt"));
  EXPECT_FALSE(FileExists(File("absent.txt")));
}

}  // namespace
}  // namespace tarvos::platform
