#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos::platform {

// The machine's folders and environment, by this system's rules. Paths are UTF-8 texts;
// a folder ends with the system's separator ('/', or '\' on Windows).

// Whether the program's paths are UTF-8 whatever the user's locale (Windows, where they
// are turned into wide texts at the system's calls); on Linux they are the file system's
// bytes as the locale encodes names.
bool PathsAreUtf8();

// The separator a folder ends with.
char FolderSeparator();
// The folder with the separator added when it ends without one ('/' counts on Windows).
std::string WithSeparator(std::string folder);
// A path's last part, after its last '/' or '\\' (the whole path when it has neither).
inline std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// An environment variable's text; nullopt when it is unset or empty.
std::optional<std::string> EnvironmentText(std::string_view name);

// The per-user program folder: the user's data folder and "Brevant Instruments Ltd",
// "Tarvos" below it (~/.local/share/... on Linux, %LOCALAPPDATA%\... on Windows).
std::string PerUserProgramFolder();
// The program folder of an installation for all users, when this system has one and it
// exists ("C:\Program Files\Brevant Instruments Ltd\Tarvos\" on Windows); nullopt on Linux.
std::optional<std::string> InstalledProgramFolder();

// Creates the folder and the folders above it that are missing; true when it is a folder
// afterwards.
bool MakeFolders(const std::string& folder);
// Whether a file can be created in the folder (one is made and removed again).
bool CanCreateFilesIn(const std::string& folder);
// The names of the regular files in a folder, in no set order; nullopt when it can't be
// listed.
std::optional<std::vector<std::string>> FilesIn(const std::string& folder);

// The path taken from the working folder (unchanged when it is absolute already, or
// when the working folder can't be known).
std::string AbsolutePath(const std::string& path);
// A program's file name from its stem ("tarvos-adapters", or "tarvos-adapters.exe").
std::string ProgramFileName(std::string_view stem);
// The folder of the running program; empty when it can't be known.
std::string ExecutableFolder();

// The local date and time of a moment (seconds since 1970).
struct LocalTimeParts {
  int Year = 0;
  int Month = 0;  // 1 to 12
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};
std::optional<LocalTimeParts> LocalTime(long long seconds_since_1970);

// Whether a window can be shown: on Linux an X or Wayland display, or a Qt platform
// named in QT_QPA_PLATFORM; on Windows always.
bool HasGraphicalDisplay();
// Whether the standard error stream is a terminal a person watches.
bool ErrorStreamIsTerminal();

}  // namespace tarvos::platform
