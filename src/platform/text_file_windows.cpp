#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/operator_texts.h"
#include "platform/text_file.h"
#include "platform/utf16_windows.h"

namespace tarvos::platform {
namespace {

// Closes a handle on every path out.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The operator's text for a Windows error of a file operation on path.
std::string WindowsErrorText(DWORD error, const std::string& path) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return std::string(kFileNotFoundText);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
      return std::string(kPathNotFoundText);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return std::string(kAccessDeniedText);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      // Another program (an editor, a spreadsheet) holds the file open.
      return FillText(kFileInUseText, {path});
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::string(kDiskFullText);
    case ERROR_TOO_MANY_OPEN_FILES:
      return std::string(kTooManyOpenFilesText);
    case ERROR_FILENAME_EXCED_RANGE:
      return std::string(kNameTooLongText);
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return std::string(kDiskErrorText);
    default:
      return SystemMessage(error);
  }
}

[[noreturn]] void Fail(DWORD error, const std::string& path) {
  throw FileError(WindowsErrorText(error, path));
}

[[noreturn]] void FailNow(const std::string& path) { Fail(::GetLastError(), path); }

DWORD AttributesOf(const std::string& path) {
  return ::GetFileAttributesW(Widen(path).c_str());
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view name) {
  // Windows finds a file whatever the case of its name; the name as the folder spells it.
  // The search takes "*" and "?" as wildcards, which no file's name holds: such a name
  // finds nothing, as on Linux.
  if (name.find_first_of("*?") != std::string_view::npos) return std::nullopt;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(Widen(folder + std::string(name)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  ::FindClose(search);
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return folder + Narrow(found.cFileName);
}

std::string ReadFileBytes(const std::string& path) {
  Handle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A folder is no file to read, whatever the system says of opening it.
    Fail(IsFolder(AttributesOf(path)) ? ERROR_ACCESS_DENIED : error, path);
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) FailNow(path);
    if (got == 0) break;
    content.append(buffer, got);
  }
  return content;
}

namespace {

// Whether the system may refuse a replace only for a moment: a virus scanner or an
// indexer that has either file open to read it.
bool Passing(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED ||
         error == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplacePauseMs = 50;

// Puts the file in the place of the target: with keep set and the target there, as
// ReplaceFileW does it (the target's attributes, security and creation time stay), else
// by a move. A refusal that may pass is tried again for about a second. ERROR_SUCCESS,
// or the system's error.
DWORD Replace(const std::wstring& from, const std::string& target, bool keep) {
  const std::wstring to = Widen(target);
  for (int attempt = 1;; ++attempt) {
    const bool replacing = keep && AttributesOf(target) != INVALID_FILE_ATTRIBUTES;
    const BOOL done =
        replacing ? ::ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                  : ::MoveFileExW(from.c_str(), to.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (done) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    if (!Passing(error) || attempt >= kReplaceAttempts) return error;
    ::Sleep(kReplacePauseMs);
  }
}

}  // namespace

TextWriter::TextWriter(std::string path) : path_(std::move(path)) {
  if (path_.empty()) Fail(ERROR_FILE_NOT_FOUND, path_);
  // An existing file marked read-only (or a folder of that name) is refused, as the
  // system's own write would refuse it.
  const DWORD attributes = AttributesOf(path_);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    Fail(ERROR_ACCESS_DENIED, path_);
  }
  // A target another program holds open (an editor, a spreadsheet) could not be replaced
  // at the end: say so now, before anything is written.
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    HANDLE target = ::CreateFileW(Widen(path_).c_str(), GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) FailNow(path_);
    ::CloseHandle(target);
  }
  // A temporary file beside the target, of a name no other writer takes.
  for (unsigned attempt = 0;; ++attempt) {
    temp_ = path_ + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::GetTickCount64() % 1000000) + "-" + std::to_string(attempt);
    HANDLE file = ::CreateFileW(Widen(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      file_ = reinterpret_cast<std::intptr_t>(file);
      return;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS || attempt > 100) Fail(error, path_);
  }
}

AppendingFile::AppendingFile(const std::string& path) : path_(path) {
  HANDLE file = ::CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) FailNow(path);
  file_ = reinterpret_cast<std::intptr_t>(file);
}

AppendingFile::~AppendingFile() {
  if (file_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(file_));
}

void AppendingFile::Append(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(file_), bytes.data() + done, chunk, &wrote,
                     nullptr)) {
      FailNow(path_);
    }
    if (wrote == 0) Fail(ERROR_DISK_FULL, path_);
    done += wrote;
  }
}

void AppendingFile::Sync() {
  // Data and the file's size both: FlushFileBuffers writes the metadata too.
  if (!::FlushFileBuffers(reinterpret_cast<HANDLE>(file_))) FailNow(path_);
}

TextWriter::~TextWriter() { Discard(); }

void TextWriter::Discard() {
  if (file_ == -1) return;
  ::CloseHandle(reinterpret_cast<HANDLE>(file_));
  file_ = -1;
  ::DeleteFileW(Widen(temp_).c_str());
}

void TextWriter::Commit() {
  if (file_ == -1) Fail(ERROR_INVALID_HANDLE, path_);
  HANDLE file = reinterpret_cast<HANDLE>(file_);
  const auto give_up = [this](DWORD error) {
    Discard();
    Fail(error, path_);
  };
  // The bytes exactly as they are: the lines carry their own CR LF.
  std::size_t done = 0;
  while (done < content_.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content_.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!::WriteFile(file, content_.data() + done, chunk, &wrote, nullptr)) give_up(::GetLastError());
    if (wrote == 0) give_up(ERROR_DISK_FULL);
    done += wrote;
  }
  if (!::FlushFileBuffers(file)) give_up(::GetLastError());
  const BOOL closed = ::CloseHandle(file);
  file_ = -1;
  const std::wstring temp = Widen(temp_);
  if (!closed) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    Fail(error, path_);
  }
  const DWORD error = Replace(temp, path_, true);
  if (error != ERROR_SUCCESS) {
    ::DeleteFileW(temp.c_str());
    Fail(error, path_);
  }
}

void ClearReadOnly(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  // That bit alone: hidden, archive and the rest stay as they are.
  const DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW(Widen(path).c_str(), cleared != 0 ? cleared : FILE_ATTRIBUTE_NORMAL);
}

void RenameFile(const std::string& from, const std::string& to) {
  const DWORD error = Replace(Widen(from), to, false);
  if (error != ERROR_SUCCESS) Fail(error, to);
}

void RemoveFile(const std::string& path) { ::DeleteFileW(Widen(path).c_str()); }

}  // namespace tarvos::platform
