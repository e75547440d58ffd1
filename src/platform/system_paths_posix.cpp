#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/system_paths.h"
#include "platform/text_file.h"

namespace tarvos::platform {

bool PathsAreUtf8() { return false; }

char FolderSeparator() { return '/'; }

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::optional<std::string> EnvironmentText(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::string PerUserProgramFolder() {
  std::string home = EnvironmentText("HOME").value_or("");
  if (home.empty()) {
    if (const passwd* entry = ::getpwuid(::getuid())) home = entry->pw_dir;
  }
  if (home.empty()) home = ".";
  return WithSeparator(home) + ".local/share/Brevant Instruments Ltd/Tarvos/";
}

std::optional<std::string> InstalledProgramFolder() { return std::nullopt; }

bool MakeFolders(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

bool CanCreateFilesIn(const std::string& folder) {
  std::string probe = WithSeparator(folder) + ".tarvos-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::optional<std::vector<std::string>> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored)) names.push_back(it->path().filename().string());
  }
  if (error) return std::nullopt;
  return names;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

std::string ProgramFileName(std::string_view stem) { return std::string(stem) + ""; }

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return WithSeparator(program.parent_path().string());
}

std::optional<LocalTimeParts> LocalTime(long long seconds_since_1970) {
  const std::time_t moment = static_cast<std::time_t>(seconds_since_1970);
  std::tm parts{};
  if (::localtime_r(&moment, &parts) == nullptr) return std::nullopt;
  return LocalTimeParts{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                        parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

bool HasGraphicalDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (EnvironmentText(name)) return true;
  }
  return false;
}

bool ErrorStreamIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

}  // namespace tarvos::platform
