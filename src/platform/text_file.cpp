#include "platform/text_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tarvos::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string FileErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
      return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return "File access denied";
    case ENOSPC:
#ifdef EDQUOT  // not every system has disk quotas
    case EDQUOT:
#endif
    case EFBIG:  // a file size limit reached: to the operator the disk is full
      return "Disk full";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case ENAMETOOLONG:
      return "File name too long";
    case EIO:
      return "Disk read/write error";
    default:
      return std::strerror(error_number);
  }
}

TextReader TextReader::Open(const std::string& path) { return TextReader(ReadFileBytes(path)); }

TextReader::TextReader(std::string content) : content_(std::move(content)) {}

std::string TextReader::ReadLine() {
  if (AtEnd()) return {};
  const std::size_t start = pos_;
  while (pos_ < content_.size() && !IsLineEnd(content_[pos_])) ++pos_;
  std::string line = content_.substr(start, pos_ - start);
  if (pos_ < content_.size() && content_[pos_] == '\r') ++pos_;
  if (pos_ < content_.size() && content_[pos_] == '\n') ++pos_;
  return line;
}

std::optional<std::string> TextReader::ReadValue(std::size_t max_chars) {
  while (pos_ < content_.size() && (IsBlank(content_[pos_]) || IsLineEnd(content_[pos_]))) ++pos_;
  if (AtEnd()) return std::nullopt;
  const std::size_t start = pos_;
  while (pos_ < content_.size() && pos_ - start < max_chars && !IsBlank(content_[pos_]) &&
         !IsLineEnd(content_[pos_])) {
    ++pos_;
  }
  std::string value = content_.substr(start, pos_ - start);
  ReadLine();  // the rest of the line
  return value;
}

void TextWriter::WriteLine(std::string_view line) {
  content_.append(line);
  content_.append("\r\n");
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  TextWriter writer(path);
  writer.Write(content);
  writer.Commit();
}

}  // namespace tarvos::platform
