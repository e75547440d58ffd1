#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/operator.h"

namespace tarvos::app {

// "plain", "information", "warning", "confirmation", "error".
std::string_view MessageKindName(platform::MessageKind kind);

// The operator of a batch run: every message box becomes one line on the stream,
// "kind: text"; every Yes/No question gets the one answer of the command line; an input
// box keeps its pre-filled text; file, folder and colour dialogs are cancelled, since
// nobody is there to choose.
class BatchOperator final : public platform::Operator {
 public:
  BatchOperator(std::ostream& out, bool answer) : out_(out), answer_(answer) {}

  void Show(platform::MessageKind kind, std::string_view text) override;
  bool Ask(platform::MessageKind kind, std::string_view text) override;
  std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                   std::string_view initial) override;
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
  using Operator::ChooseFolder;
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view initial) override;
  std::optional<uint32_t> ChooseColour(uint32_t initial) override;
  void ShowBusy(bool busy) override;

  // While a file named on the command line is read or written, its errors name it as it
  // was given ("error: NAME: File not found"), and a file not found names the program
  // folder's file of that name when there is one; an empty name ends that.
  void NameFile(std::string given, std::string in_program_folder = {});

 private:
  void WriteLine(std::string_view kind, std::string_view text);

  std::ostream& out_;
  bool answer_;
  std::string file_;
  std::string in_program_folder_;
};

}  // namespace tarvos::app
