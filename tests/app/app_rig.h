#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include "temp_path.h"
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos::app::testing {

// A fresh folder for one test, removed with everything in it afterwards. Path() ends
// with "/".
class TempFolder {
 public:
  TempFolder() { path_ = testing_support::MakeTempFolder("tarvos-app") + "/"; }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }

  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string file = path_ + std::string(name);
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file;
  }

  std::string Read(std::string_view name) const { return ReadFile(path_ + std::string(name)); }
  bool Has(std::string_view name) const {
    return std::filesystem::exists(path_ + std::string(name));
  }
  // The names of the files in a folder inside this one, sorted.
  std::vector<std::string> Names(std::string_view folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_ + std::string(folder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};

// The lines of a text, without their ends (CR LF or LF).
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

struct ProgramRun {
  int Status = -1;  // the exit status; -1 when the program did not exit normally
  std::string Out;
  std::string Err;
};

// Runs the built program in the folder with the arguments; environment is a prefix of
// NAME=value words for the shell ("" for none).
inline ProgramRun RunProgram(const std::string& folder, const std::vector<std::string>& args,
                             const std::string& environment = "",
                             const std::string& program = TARVOS_EXECUTABLE) {
  const std::string out_file = folder + ".stdout";
  const std::string err_file = folder + ".stderr";
  std::string command =
      "cd " + ShellQuoted(folder) + " && " + environment + " " + ShellQuoted(program);
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  command += " >" + ShellQuoted(out_file) + " 2>" + ShellQuoted(err_file) + " </dev/null";
  const int wait_status = std::system(command.c_str());
  ProgramRun run;
  if (wait_status != -1 && WIFEXITED(wait_status)) run.Status = WEXITSTATUS(wait_status);
  run.Out = TempFolder::ReadFile(out_file);
  run.Err = TempFolder::ReadFile(err_file);
  std::filesystem::remove(out_file);
  std::filesystem::remove(err_file);
  return run;
}

}  // namespace tarvos::app::testing
