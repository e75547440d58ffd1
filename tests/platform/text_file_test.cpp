#include "platform/text_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/text_file_rig.h"

namespace tarvos::platform {
namespace {

using ::testing::AnyOf;

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

TEST_F(TextFileTest, AFailedCommitLeavesNoTemporaryFileAndTheOldFileWhole) {
  // The rename cannot put a file over a folder.
  std::filesystem::create_directory(File("target"));
  WriteFileAtomically(File("keep.txt"), "kept\r\n");
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(File("target"), "new"); }), "File access denied");
  EXPECT_TRUE(std::filesystem::is_directory(File("target")));
  EXPECT_EQ(FilesInFolder(), 2u);

  // The system's own text for a missing folder.
  EXPECT_THAT(ErrorOf([&] { WriteFileAtomically(File("none/x.txt"), "new"); }),
              AnyOf("File not found", "Path not found"));
  EXPECT_EQ(ErrorOf([] { WriteFileAtomically("", "new"); }), "File not found");
  EXPECT_EQ(TextReader::Open(File("keep.txt")).ReadLine(), "kept");
}

TEST_F(TextFileTest, AReadOnlyFileIsRefusedBeforeTheFirstLineAndStaysWhole) {
  WriteFileAtomically(File("locked.RF"), "kept\r\n");
  std::filesystem::permissions(File("locked.RF"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::group_read |
                                                      std::filesystem::perms::others_read);
  // Refused when the writer is made, whoever runs the test (root has no write bit here).
  EXPECT_EQ(ErrorOf([&] { TextWriter writer(File("locked.RF")); }), "File access denied");
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(File("locked.RF"), "new"); }),
            "File access denied");
  EXPECT_EQ(TextReader::Open(File("locked.RF")).ReadLine(), "kept");
  EXPECT_EQ(FilesInFolder(), 1u);

  // The settings file's way: its read-only mark cleared, then replaced.
  ClearReadOnly(File("locked.RF"));
  WriteFileAtomically(File("locked.RF"), "newer\r\n");
  EXPECT_EQ(TextReader::Open(File("locked.RF")).ReadLine(), "newer");
  ClearReadOnly(File("absent.txt"));
  EXPECT_FALSE(FileExists(File("absent.txt")));

  // A missing folder fails as the writer is made, too; a dropped writer leaves nothing.
  EXPECT_THAT(ErrorOf([&] { TextWriter writer(File("none/x.txt")); }),
              AnyOf("File not found", "Path not found"));
  {
    TextWriter dropped(File("locked.RF"));
    dropped.WriteLine("never written");
    EXPECT_EQ(FilesInFolder(), 2u);  // the temporary file beside the target
  }
  EXPECT_EQ(FilesInFolder(), 1u);
  EXPECT_EQ(TextReader::Open(File("locked.RF")).ReadLine(), "newer");
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
  // Wildcards are no part of a name (a cell serial "1?" finds no cell file).
  WriteFileAtomically(File("cell0010.csv"), "");
  EXPECT_EQ(FindFileIgnoringCase(folder, "cell001?.csv"), std::nullopt);
  EXPECT_EQ(FindFileIgnoringCase(folder, "cell*.csv"), std::nullopt);
  EXPECT_EQ(FindFileIgnoringCase(folder, "Brevant*"), std::nullopt);
  std::filesystem::remove(File("cell0010.csv"));
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
