#include "platform/text_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/operator_texts.h"

namespace tarvos::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string FileErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return std::string(kFileNotFoundText);
    case ENOTDIR:
      return std::string(kPathNotFoundText);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return std::string(kAccessDeniedText);
    case ENOSPC:
#ifdef EDQUOT  // not every system has disk quotas
    case EDQUOT:
#endif
    case EFBIG:  // a file size limit reached: to the operator the disk is full
      return std::string(kDiskFullText);
    case EMFILE:
    case ENFILE:
      return std::string(kTooManyOpenFilesText);
    case ENAMETOOLONG:
      return std::string(kNameTooLongText);
    case EIO:
      return std::string(kDiskErrorText);
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
