#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvos::platform {

// Every failure of a file operation, carrying the text the operator is shown
// ("File not found", "Disk full", "Invalid numeric input", ...). Caught by the command
// that started the operation; never crosses an event-loop boundary.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The operator's text for a system error number.
std::string FileErrorText(int error_number);

bool FileExists(const std::string& path);
// A file's bytes, whole. Throws FileError.
std::string ReadFileBytes(const std::string& path);
// The name of an existing file in the folder whose name matches regardless of case, or
// nullopt. folder ends with a separator or is empty (the current folder).
std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view name);

// A text file read whole, then taken line by line or value by value. Lines end in CR LF,
// LF or CR; bytes are kept as they are (single-byte text).
class TextReader {
 public:
  // Throws FileError when the file cannot be opened or read.
  static TextReader Open(const std::string& path);
  explicit TextReader(std::string content);

  bool AtEnd() const { return pos_ >= content_.size(); }
  // The next line without its end; empty past the end of the file.
  std::string ReadLine();
  // A value as a text reader of numbers takes it: blanks, tabs and line ends are
  // skipped, then a run of non-blank characters is taken (at most max_chars; the rest of
  // the run is left), and the rest of that line is skipped. nullopt past the end.
  std::optional<std::string> ReadValue(std::size_t max_chars);

 private:
  std::string content_;
  std::size_t pos_ = 0;
};

// A text file written as a whole. Making the writer creates a temporary file in the
// target's folder (refused with "File access denied" when the target exists and may not
// be written), so a folder that is missing or a file that is refused fails before the
// first line; lines are collected, then Commit writes them, flushes them to the disk and
// renames the temporary file over the target, which keeps its mode bits. A failure at
// any point, or a writer dropped without Commit, leaves the previous file whole.
class TextWriter {
 public:
  // Throws FileError when the file cannot be created.
  explicit TextWriter(std::string path);
  // Lines held in memory only, to be read back with Content(); Commit is refused.
  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Appends the line and CR LF.
  void WriteLine(std::string_view line);
  // Appends the bytes as they are.
  void Write(std::string_view bytes) { content_.append(bytes); }
  const std::string& Content() const { return content_; }
  const std::string& Path() const { return path_; }
  // Throws FileError; the temporary file is removed on failure.
  void Commit();

 private:
  void Discard();

  std::string path_;
  std::string temp_;
  std::intptr_t file_ = -1;  // the temporary file's descriptor (or handle); -1 when none
  std::string content_;
};

// A new file that grows as things happen: each Append goes to the system at once (no
// buffer of ours), so that a crash of the program loses at most the write in progress;
// Sync puts it on the disk. Creating it refuses a file that is already there, and makes
// its name in the folder last on the disk too.
class AppendingFile {
 public:
  // Throws FileError (the folder is missing, the name is taken, ...).
  explicit AppendingFile(const std::string& path);
  ~AppendingFile();
  AppendingFile(const AppendingFile&) = delete;
  AppendingFile& operator=(const AppendingFile&) = delete;

  // Throws FileError ("Disk full", ...).
  void Append(std::string_view bytes);
  // Waits until what was appended is on the disk, not only with the system, so that a
  // power cut cannot take it. Throws FileError.
  void Sync();

 private:
  std::intptr_t file_ = -1;  // descriptor or handle
  std::string path_;
};

// Writes the bytes to the path as TextWriter::Commit does.
void WriteFileAtomically(const std::string& path, std::string_view content);

// Renames a file, replacing a file of the new name. Throws FileError.
void RenameFile(const std::string& from, const std::string& to);
// Removes a file; nothing when it is not there.
void RemoveFile(const std::string& path);

// Makes an existing file writable again (its read-only attribute cleared), so that a
// save may replace it. Nothing when it does not exist.
void ClearReadOnly(const std::string& path);

}  // namespace tarvos::platform
