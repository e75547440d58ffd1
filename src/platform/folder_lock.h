#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvos::platform {

// The lock file a program holds in its program folder for as long as it runs.
inline constexpr std::string_view kFolderLockName = "tarvos.lock";

// One program per program folder: the lock is the system's own lock on a file in the
// folder (flock; LockFileEx), taken without waiting and let go when the object goes or
// the process ends in any way, so a crashed program never leaves the folder locked. The
// file itself stays; it holds the number of the process that last took it.
class FolderLock {
 public:
  enum class Outcome {
    Held,           // this program holds the folder
    HeldByAnother,  // another program holds it: this one must change nothing there
    NotLockable     // no lock file could be made (a read-only folder): nothing to guard
  };

  // folder ends with a separator.
  static std::unique_ptr<FolderLock> Take(const std::string& folder, Outcome& outcome);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  explicit FolderLock(std::intptr_t file) : file_(file) {}
  std::intptr_t file_ = -1;  // descriptor or handle
};

}  // namespace tarvos::platform
