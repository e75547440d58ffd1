#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/operator.h"

namespace tarvos::platform {

// The operator of the tests: records every dialog shown and answers from a script.
// Questions answered without a script get the default answer (No); input, file and
// colour dialogs without one are cancelled.
class ScriptedOperator final : public Operator {
 public:
  enum class Dialog { Message, Question, Input, OpenFile, SaveFile, Folder, Colour };

  struct Shown {
    Dialog Type = Dialog::Message;
    MessageKind Kind = MessageKind::Plain;
    std::string Text;    // message, question or prompt; the title of a file dialog
    std::string Answer;  // "Yes"/"No", the text entered, the file chosen; "" on Cancel
  };

  void Show(MessageKind kind, std::string_view text) override;
  bool Ask(MessageKind kind, std::string_view text) override;
  std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                   std::string_view initial) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  using Operator::ChooseFolder;
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view initial) override;
  std::optional<uint32_t> ChooseColour(uint32_t initial) override;
  void ShowBusy(bool busy) override;

  // The script.
  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void SetDefaultAnswer(bool yes) { default_answer_ = yes; }
  void QueueInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void QueueColour(std::optional<uint32_t> colour) { colours_.push_back(colour); }
  // Runs while each dialog is open (after it is recorded, before it is answered): a
  // test can let time pass there, as the window's timers go on behind a modal box.
  void SetWhileOpen(std::function<void(const Shown&)> action) { while_open_ = std::move(action); }

  // Every dialog any scripted operator records is also handed to the check, for the
  // tests' own rules about texts (process-wide; empty: none).
  static void SetTextCheck(std::function<void(const Shown&)> check);

  // What was shown.
  const std::vector<Shown>& History() const { return history_; }
  std::vector<std::string> Texts() const;
  // The texts of the message boxes (OK only) and questions of one kind.
  std::vector<std::string> TextsOf(MessageKind kind) const;
  void ClearHistory() { history_.clear(); }
  bool Busy() const { return busy_; }
  int BusyCount() const { return busy_count_; }

 private:
  template <typename T>
  static std::optional<T> Take(std::deque<std::optional<T>>& queue);
  void Record(Shown shown);

  std::vector<Shown> history_;
  std::deque<bool> answers_;
  bool default_answer_ = false;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::optional<uint32_t>> colours_;
  std::function<void(const Shown&)> while_open_;
  bool busy_ = false;
  int busy_count_ = 0;
};

}  // namespace tarvos::platform
