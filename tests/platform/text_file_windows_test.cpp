// What only Windows shows of saves: the read-only attribute, a target another program
// holds open, names beyond ASCII, and CR LF written exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/system_paths.h"
#include "platform/text_file_rig.h"

namespace tarvos::platform {
namespace {

std::wstring Wide(const std::string& text) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size - 1));
  return wide;
}

TEST_F(TextFileTest, TheReadOnlyAttributeRefusesASaveUntilItIsCleared) {
  WriteFileAtomically(File("kept.STP"), "kept\r\n");
  ASSERT_TRUE(::SetFileAttributesW(Wide(File("kept.STP")).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ErrorOf([&] { TextWriter writer(File("kept.STP")); }), "File access denied");
  EXPECT_EQ(TextReader::Open(File("kept.STP")).ReadLine(), "kept");
  EXPECT_EQ(FilesInFolder(), 1u);
  ClearReadOnly(File("kept.STP"));
  WriteFileAtomically(File("kept.STP"), "new\r\n");
  EXPECT_EQ(TextReader::Open(File("kept.STP")).ReadLine(), "new");
}

TEST_F(TextFileTest, AFileHeldOpenByAnotherProgramIsNamedAndKept) {
  WriteFileAtomically(File("held.RF"), "kept\r\n");
  HANDLE held = ::CreateFileW(Wide(File("held.RF")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string error = ErrorOf([&] { WriteFileAtomically(File("held.RF"), "new\r\n"); });
  ::CloseHandle(held);
  EXPECT_EQ(error, "File access denied: " + File("held.RF") + " is in use by another program");
  EXPECT_EQ(TextReader::Open(File("held.RF")).ReadLine(), "kept");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(TextFileTest, NamesBeyondAsciiAndLineEndsAsWritten) {
  const std::string folder = folder_ + "/Pr\xC3\xBC" "fung \xE2\x84\x96 5";  // UTF-8
  ASSERT_TRUE(MakeFolders(folder));
  const std::string path = WithSeparator(folder) + "r\xC3\xA9sultats.RF";
  TextWriter writer(path);
  writer.WriteLine("one");
  writer.WriteLine("\xB5V/m");  // a Latin-1 byte of the program's texts, kept as it is
  writer.Commit();
  EXPECT_EQ(ReadFileBytes(path), "one\r\n\xB5V/m\r\n");
  EXPECT_TRUE(FileExists(path));
  ASSERT_TRUE(FilesIn(folder).has_value());
  EXPECT_EQ(FilesIn(folder)->size(), 1u);
  RemoveFile(path);
  EXPECT_FALSE(FileExists(path));
}

// A virus scanner opens a new file for a moment: the save waits for it rather than fail,
// and replaces the file whole.
TEST_F(TextFileTest, ASaveWaitsForAProgramThatHoldsTheFileForAMoment) {
  WriteFileAtomically(File("held.RF"), "old\r\n");
  TextWriter writer(File("held.RF"));
  writer.Write("new\r\n");
  // Read, without letting it be replaced or deleted, for 300 ms.
  HANDLE held = ::CreateFileW(Wide(File("held.RF")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread scanner([held] {
    ::Sleep(300);
    ::CloseHandle(held);
  });
  EXPECT_EQ(ErrorOf([&] { writer.Commit(); }), "no error");
  scanner.join();
  EXPECT_EQ(ReadFileBytes(File("held.RF")), "new\r\n");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(TextFileTest, ClearingReadOnlyLeavesTheOtherAttributes) {
  WriteFileAtomically(File("kept.STP"), "kept\r\n");
  ASSERT_TRUE(::SetFileAttributesW(Wide(File("kept.STP")).c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ClearReadOnly(File("kept.STP"));
  const DWORD attributes = ::GetFileAttributesW(Wide(File("kept.STP")).c_str());
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
}

}  // namespace
}  // namespace tarvos::platform
