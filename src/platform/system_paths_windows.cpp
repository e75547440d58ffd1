#include <windows.h>
#include <io.h>
#include <shlobj.h>

#include <cstdio>
#include <ctime>
#include <cwchar>

#include "platform/system_paths.h"
#include "platform/utf16_windows.h"

namespace tarvos::platform {
namespace {

constexpr char kCompanyAndProgram[] = "Brevant Instruments Ltd\\Tarvos\\";
constexpr char kInstalledFolder[] = "C:\\Program Files\\Brevant Instruments Ltd\\Tarvos\\";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::string folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) {
    folder = Narrow(path);
  }
  if (path != nullptr) ::CoTaskMemFree(path);
  return folder;
}

}  // namespace

bool PathsAreUtf8() { return true; }

char FolderSeparator() { return '\\'; }

std::string WithSeparator(std::string folder) {
  if (folder.empty() || !IsSeparator(folder.back())) folder += '\\';
  return folder;
}

std::optional<std::string> EnvironmentText(std::string_view name) {
  const std::wstring wide_name = Widen(std::string(name));
  const DWORD size = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size <= 1) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD got = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  if (got == 0 || got >= size) return std::nullopt;
  value.resize(got);
  return Narrow(value);
}

std::string PerUserProgramFolder() {
  std::string base = EnvironmentText("LOCALAPPDATA").value_or("");
  if (base.empty()) base = KnownFolder(FOLDERID_LocalAppData);
  if (base.empty()) base = ".";
  return WithSeparator(base) + kCompanyAndProgram;
}

std::optional<std::string> InstalledProgramFolder() {
  if (!IsFolder(kInstalledFolder)) return std::nullopt;
  return std::string(kInstalledFolder);
}

bool MakeFolders(const std::string& folder) {
  std::string path = folder;
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  if (path.empty()) return false;
  if (IsFolder(path)) return true;
  // The folder above first, then this one.
  const std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string::npos && separator > 0 && path[separator - 1] != ':') {
    MakeFolders(path.substr(0, separator));
  }
  ::CreateDirectoryW(Widen(path).c_str(), nullptr);
  return IsFolder(path);
}

bool CanCreateFilesIn(const std::string& folder) {
  const std::string probe = WithSeparator(folder) + ".tarvos-probe-" +
                            std::to_string(::GetCurrentProcessId());
  HANDLE file = ::CreateFileW(Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

std::optional<std::vector<std::string>> FilesIn(const std::string& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(Widen(WithSeparator(folder) + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_NOT_FOUND && IsFolder(folder)) {
      return std::vector<std::string>{};
    }
    return std::nullopt;
  }
  std::vector<std::string> names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Narrow(found.cFileName));
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::string AbsolutePath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return path;
  full.resize(got);
  return Narrow(full);
}

std::string ProgramFileName(std::string_view stem) { return std::string(stem) + ".exe"; }

std::string ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::string program = Narrow(path);
  const std::size_t separator = program.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : program.substr(0, separator + 1);
}

std::optional<LocalTimeParts> LocalTime(long long seconds_since_1970) {
  const std::time_t moment = static_cast<std::time_t>(seconds_since_1970);
  std::tm parts{};
  if (::localtime_s(&parts, &moment) != 0) return std::nullopt;
  return LocalTimeParts{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                        parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

bool HasGraphicalDisplay() { return true; }

bool ErrorStreamIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

}  // namespace tarvos::platform
