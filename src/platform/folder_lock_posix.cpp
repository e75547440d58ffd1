#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/folder_lock.h"

namespace tarvos::platform {

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, Outcome& outcome) {
  const std::string path = folder + std::string(kFolderLockName);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    outcome = Outcome::NotLockable;
    return nullptr;
  }
  int taken = 0;
  do {
    taken = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (taken != 0 && errno == EINTR);
  if (taken != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    outcome = busy ? Outcome::HeldByAnother : Outcome::NotLockable;
    return nullptr;
  }
  // The holder's number, for whoever looks at the file; the lock does not depend on it.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
  }
  outcome = Outcome::Held;
  return std::unique_ptr<FolderLock>(new FolderLock(fd));
}

FolderLock::~FolderLock() {
  if (file_ >= 0) ::close(static_cast<int>(file_));  // closing lets the lock go
}

}  // namespace tarvos::platform
