#pragma once

// A folder of its own for the targets whose routines take a file name: the input is
// written there plainly and read back by the routine under test, and saves made to
// check a round trip land there too.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarvos::fuzz {

// One folder for the whole run, ending in "/": the entry point is called millions of
// times. Removed when the process ends normally.
inline const std::string& FuzzFolder() {
  struct Folder {
    std::string Path;
    Folder() {
      // Memory-backed where there is such a folder: the saves flush to the disk.
      std::error_code no_shm;
      const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", no_shm)
                                             ? std::filesystem::path("/dev/shm")
                                             : std::filesystem::temp_directory_path();
      std::string pattern = (base / "tarvos-fuzz-XXXXXX").string();
      if (::mkdtemp(pattern.data()) == nullptr) abort();
      Path = pattern + "/";
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static const Folder folder;
  return folder.Path;
}

inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace tarvos::fuzz
