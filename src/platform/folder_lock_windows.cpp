#include <windows.h>

#include <string>

#include "platform/folder_lock.h"
#include "platform/utf16_windows.h"

namespace tarvos::platform {

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, Outcome& outcome) {
  const std::wstring path = Widen(folder + std::string(kFolderLockName));
  // Shared, so that a second program opens it and finds the lock rather than a sharing
  // error; not inherited by the adapter helper.
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    outcome = Outcome::NotLockable;
    return nullptr;
  }
  OVERLAPPED at{};
  if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    outcome = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING
                  ? Outcome::HeldByAnother
                  : Outcome::NotLockable;
    return nullptr;
  }
  // The holder's number, for whoever looks at the file; the holder's own handle may
  // write inside the range it locked.
  const std::string pid = std::to_string(::GetCurrentProcessId()) + "\r\n";
  DWORD written = 0;
  ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  if (::WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr)) {
    ::SetEndOfFile(file);
  }
  outcome = Outcome::Held;
  return std::unique_ptr<FolderLock>(new FolderLock(reinterpret_cast<std::intptr_t>(file)));
}

FolderLock::~FolderLock() {
  // Closing the handle lets the lock go; so does the process ending.
  if (file_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(file_));
}

}  // namespace tarvos::platform
