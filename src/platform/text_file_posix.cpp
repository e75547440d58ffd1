#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/text_file.h"

namespace tarvos::platform {
namespace {

// Closes a descriptor on every path out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now, reporting the error a late write may only show here.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

[[noreturn]] void Fail(int error_number) { throw FileError(FileErrorText(error_number)); }


}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view name) {
  // As on Windows, where they are wildcards: a name with "*" or "?" finds nothing.
  if (name.find_first_of("*?") != std::string_view::npos) return std::nullopt;
  const std::string exact = folder + std::string(name);
  if (FileExists(exact)) return exact;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> found;
  const std::string wanted(name);
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, wanted.c_str()) == 0 && FileExists(folder + entry->d_name)) {
      found = folder + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

std::string ReadFileBytes(const std::string& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) Fail(errno);
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  return content;
}

TextWriter::TextWriter(std::string path) : path_(std::move(path)) {
  if (path_.empty()) Fail(ENOENT);
  // An existing file that may not be written is refused, as the platform's own write
  // would refuse it; root may write anything, so its write bits count too.
  struct stat target {};
  const bool exists = ::stat(path_.c_str(), &target) == 0;
  if (exists && S_ISDIR(target.st_mode)) Fail(EISDIR);
  if (exists && (::access(path_.c_str(), W_OK) != 0 || (target.st_mode & 0222) == 0)) {
    Fail(EACCES);
  }
  temp_ = path_ + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temp_.data());
  if (fd < 0) Fail(errno);
  file_ = fd;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (exists) {
    // The replacement keeps the old file's mode bits and, where we may, its owner.
    ::fchmod(fd, target.st_mode & 07777);
    [[maybe_unused]] const int owned = ::fchown(fd, target.st_uid, target.st_gid);
  } else {
    // mkstemp makes the file private; a new file is as readable as any other.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
}

AppendingFile::AppendingFile(const std::string& path) : path_(path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) Fail(errno);
  file_ = fd;
  // The new name is an entry of its folder, which a power cut may lose unless synced.
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
}

void AppendingFile::Sync() {
  int synced = 0;
  do {
    synced = ::fdatasync(static_cast<int>(file_));
  } while (synced != 0 && errno == EINTR);
  if (synced != 0) Fail(errno);
}

AppendingFile::~AppendingFile() {
  if (file_ >= 0) ::close(static_cast<int>(file_));
}

void AppendingFile::Append(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(static_cast<int>(file_), bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) Fail(errno);
    if (wrote == 0) Fail(ENOSPC);
    done += static_cast<std::size_t>(wrote);
  }
}

TextWriter::~TextWriter() { Discard(); }

void TextWriter::Discard() {
  if (file_ < 0) return;
  ::close(static_cast<int>(file_));
  file_ = -1;
  ::unlink(temp_.c_str());
}

void TextWriter::Commit() {
  if (file_ < 0) Fail(EBADF);
  const int fd = static_cast<int>(file_);
  const auto give_up = [this](int error_number) {
    Discard();
    Fail(error_number);
  };
  std::size_t done = 0;
  while (done < content_.size()) {
    const ssize_t wrote = ::write(fd, content_.data() + done, content_.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      give_up(errno);
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (::fsync(fd) != 0) give_up(errno);
  const int closed = ::close(fd);
  file_ = -1;
  if (closed != 0) {
    const int error_number = errno;
    ::unlink(temp_.c_str());
    Fail(error_number);
  }
  if (::rename(temp_.c_str(), path_.c_str()) != 0) {
    const int error_number = errno;
    ::unlink(temp_.c_str());
    Fail(error_number);
  }

  // The rename itself reaches the disk only with the folder.
  Descriptor folder(::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
}

void ClearReadOnly(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

void RenameFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) Fail(errno);
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace tarvos::platform
