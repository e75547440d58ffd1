#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace tarvos::testing_support {

// A new, empty folder of the test's own under the system's temporary folder, on any
// system; its path without a separator at the end.
inline std::string MakeTempFolder(std::string_view prefix) {
  std::mt19937_64 random(std::random_device{}() ^
                         static_cast<uint64_t>(
                             std::chrono::steady_clock::now().time_since_epoch().count()));
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path path =
        base / (std::string(prefix) + "-" + std::to_string(random() % 1'000'000'000'000ULL));
    if (std::filesystem::create_directory(path, error)) return path.string();
  }
  ADD_FAILURE() << "no temporary folder could be made under " << base.string();
  return {};
}

// Sets an environment variable of the test process; nullptr removes it.
inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  ::_putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

}  // namespace tarvos::testing_support
