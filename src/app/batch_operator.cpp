#include "app/batch_operator.h"

#include <utility>

#include "app/batch_lines.h"
#include "platform/operator_texts.h"

namespace tarvos::app {

using platform::MessageKind;

std::string_view MessageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::Plain:
      return "plain";
    case MessageKind::Information:
      return "information";
    case MessageKind::Warning:
      return "warning";
    case MessageKind::Confirmation:
      return "confirmation";
    case MessageKind::Error:
      return "error";
  }
  return "plain";
}

void BatchOperator::WriteLine(std::string_view kind, std::string_view text) {
  // One message, one line, so that a log can be read and filtered line by line: a line
  // break inside a text (CR LF, LF or CR) becomes a blank.
  std::string line(kind);
  line += ": ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      line += ' ';
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  line += '\n';
  out_ << line;
  out_.flush();
}

void BatchOperator::Show(MessageKind kind, std::string_view text) {
  if (kind != MessageKind::Error || file_.empty()) {
    WriteLine(MessageKindName(kind), text);
    return;
  }
  const bool elsewhere = text == platform::kFileNotFoundText && !in_program_folder_.empty();
  const BatchLine& line =
      elsewhere ? batch_line::kNamedFileInProgramFolder : batch_line::kNamedFile;
  WriteLine(line.Kind, platform::FillText(line.Text, {file_, text, in_program_folder_}));
}

void BatchOperator::NameFile(std::string given, std::string in_program_folder) {
  file_ = std::move(given);
  in_program_folder_ = std::move(in_program_folder);
}

bool BatchOperator::Ask(MessageKind /*kind*/, std::string_view text) {
  WriteLine("question", text);
  return answer_;
}

std::optional<std::string> BatchOperator::Input(std::string_view /*title*/, std::string_view prompt,
                                                std::string_view initial) {
  WriteLine("input", prompt);
  return std::string(initial);
}

std::optional<std::string> BatchOperator::OpenFile(const platform::FileDialogRequest&) {
  return std::nullopt;
}

std::optional<std::string> BatchOperator::SaveFile(const platform::FileDialogRequest&) {
  return std::nullopt;
}

std::optional<std::string> BatchOperator::ChooseFolder(std::string_view, std::string_view) {
  return std::nullopt;
}

std::optional<uint32_t> BatchOperator::ChooseColour(uint32_t) { return std::nullopt; }

void BatchOperator::ShowBusy(bool) {}

}  // namespace tarvos::app
