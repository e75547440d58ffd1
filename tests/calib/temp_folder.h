#pragma once

#include <gtest/gtest.h>

#include "temp_path.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tarvos::calib::testing {

// A fresh folder for one test, removed with everything in it afterwards. Path() ends
// with "/", as the program folder does.
class TempFolder {
 public:
  TempFolder() {
    path_ = testing_support::MakeTempFolder("tarvos-calib") + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
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

  std::string Read(std::string_view name) const {
    std::ifstream in(path_ + std::string(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Has(std::string_view name) const {
    return std::filesystem::exists(path_ + std::string(name));
  }

 private:
  std::string path_;
};

}  // namespace tarvos::calib::testing
