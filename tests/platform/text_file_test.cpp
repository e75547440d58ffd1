#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tarvos::platform {
namespace {

class TextFileTest : public ::testing::Test {
 protected:
  TextFileTest() {
    std::string pattern = std::filesystem::temp_directory_path() / "tarvos-text-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
  }
  ~TextFileTest() override {
    std::error_code ignored;
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

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(TextReaderTest, ReadsLinesEndingInCrLfLfOrCr) {
  TextReader reader("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(reader.ReadLine(), "one");
  EXPECT_EQ(reader.ReadLine(), "two");
  EXPECT_EQ(reader.ReadLine(), "three");
  EXPECT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "four");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "");
}

TEST(TextReaderTest, KeepsEmptyLinesAndSingleByteTextAsTheyAre) {
  TextReader reader(std::string("\r\n\r\n\xB5V/m \t\r\n", 11));
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_EQ(reader.ReadLine(), "\xB5V/m \t");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReaderTest, AValueSkipsBlankLinesAndTheRestOfItsLine) {
  TextReader reader("\r\n  \t\r\n  12.5 rest of line\r\nnext\r\n");
  EXPECT_EQ(reader.ReadValue(64), "12.5");
  EXPECT_EQ(reader.ReadLine(), "next");
  EXPECT_EQ(reader.ReadValue(64), std::nullopt);
}

TEST(TextReaderTest, AValueTakesAtMostItsLengthAndDropsTheRestOfTheLine) {
  TextReader reader(std::string(100, '9') + "\r\n7\r\n");
  EXPECT_EQ(reader.ReadValue(32), std::string(32, '9'));
  EXPECT_EQ(reader.ReadValue(32), "7");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReaderTest, AnOverLongLineComesWhole) {
  const std::string line(1 << 20, 'x');
  TextReader reader(line + "\r\nend");
  EXPECT_EQ(reader.ReadLine(), line);
  EXPECT_EQ(reader.ReadLine(), "end");
}

TEST_F(TextFileTest, OpenReadsTheWholeFileOrSaysWhy) {
  WriteFileAtomically(File("a.txt"), "first\r\nsecond\r\n");
  TextReader reader = TextReader::Open(File("a.txt"));
  EXPECT_EQ(reader.ReadLine(), "first");
  EXPECT_EQ(reader.ReadLine(), "second");
  EXPECT_TRUE(reader.AtEnd());

  EXPECT_EQ(ErrorOf([&] { TextReader::Open(File("missing.txt")); }), "File not found");
  EXPECT_EQ(ErrorOf([&] { TextReader::Open(folder_); }), "File access denied");
  EXPECT_EQ(ErrorOf([&] { TextReader::Open(File("a.txt/inside")); }), "Path not found");
}

TEST_F(TextFileTest, WriterEndsEveryLineInCrLfAndReplacesTheTarget) {
  WriteFileAtomically(File("t.txt"), "old content that is longer than the new\r\n");
  TextWriter writer(File("t.txt"));
  writer.WriteLine("alpha");
  writer.WriteLine("");
  writer.WriteLine("omega");
  EXPECT_EQ(writer.Content(), "alpha\r\n\r\nomega\r\n");
  writer.Commit();
  TextReader reader = TextReader::Open(File("t.txt"));
  EXPECT_EQ(reader.ReadLine(), "alpha");
  EXPECT_EQ(reader.ReadLine(), "");
  EXPECT_EQ(reader.ReadLine(), "omega");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(TextFileTest, ASavedFileIsAsReadableAsAnyOther) {
  const mode_t mask = ::umask(022);
  WriteFileAtomically(File("p.txt"), "x");
  ::umask(mask);
  struct stat info {};
  ASSERT_EQ(::stat(File("p.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(TextFileTest, AFailedCommitLeavesNoTemporaryFileAndTheOldFileWhole) {
  // The rename cannot put a file over a folder.
  std::filesystem::create_directory(File("target"));
  WriteFileAtomically(File("keep.txt"), "kept\r\n");
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(File("target"), "new"); }), "File access denied");
  EXPECT_TRUE(std::filesystem::is_directory(File("target")));
  EXPECT_EQ(FilesInFolder(), 2u);

  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(File("none/x.txt"), "new"); }), "File not found");
  EXPECT_EQ(ErrorOf([] { WriteFileAtomically("", "new"); }), "File not found");
  EXPECT_EQ(TextReader::Open(File("keep.txt")).ReadLine(), "kept");
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

TEST_F(TextFileTest, FileExistsOnlyForFiles) {
  WriteFileAtomically(File("f.txt"), "");
  EXPECT_TRUE(FileExists(File("f.txt")));
  EXPECT_FALSE(FileExists(File("g.txt")));
  EXPECT_FALSE(FileExists(folder_));
}

TEST_F(TextFileTest, FindsAFileWhateverTheCaseOfItsName) {
  WriteFileAtomically(File("BrevantUSB.TXT"), "");
  const std::string folder = folder_ + "/";
  EXPECT_EQ(FindFileIgnoringCase(folder, "BrevantUSB.TXT"), File("BrevantUSB.TXT"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "brevantusb.txt"), File("BrevantUSB.TXT"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "other.txt"), std::nullopt);
  EXPECT_EQ(FindFileIgnoringCase(folder + "nowhere/", "x"), std::nullopt);
  // A folder of the same name is no file.
  std::filesystem::create_directory(File("cell0010.csv"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "CELL0010.CSV"), std::nullopt);
}

TEST(FileErrorTextTest, NamesTheErrorsTheOperatorMeets) {
  EXPECT_EQ(FileErrorText(ENOENT), "File not found");
  EXPECT_EQ(FileErrorText(ENOTDIR), "Path not found");
  EXPECT_EQ(FileErrorText(EACCES), "File access denied");
  EXPECT_EQ(FileErrorText(EROFS), "File access denied");
  EXPECT_EQ(FileErrorText(ENOSPC), "Disk full");
  EXPECT_EQ(FileErrorText(EFBIG), "Disk full");
  EXPECT_EQ(FileErrorText(EMFILE), "Too many open files");
  EXPECT_EQ(FileErrorText(EIO), "Disk read/write error");
}

}  // namespace
}  // namespace tarvos::platform
