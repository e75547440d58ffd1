#include "platform/scripted_operator.h"

#include <utility>

namespace tarvos::platform {

template <typename T>
std::optional<T> ScriptedOperator::Take(std::deque<std::optional<T>>& queue) {
  if (queue.empty()) return std::nullopt;
  auto value = std::move(queue.front());
  queue.pop_front();
  return value;
}

namespace {
std::function<void(const ScriptedOperator::Shown&)>& TextCheck() {
  static std::function<void(const ScriptedOperator::Shown&)> check;
  return check;
}
}  // namespace

void ScriptedOperator::SetTextCheck(std::function<void(const Shown&)> check) {
  TextCheck() = std::move(check);
}

void ScriptedOperator::Record(Shown shown) {
  if (TextCheck()) TextCheck()(shown);
  history_.push_back(std::move(shown));
  if (while_open_) {
    const Shown copy = history_.back();  // the action may show further dialogs
    // A copy of the action too: it may replace itself (SetWhileOpen) while it runs.
    const auto action = while_open_;
    action(copy);
  }
}

void ScriptedOperator::Show(MessageKind kind, std::string_view text) {
  Record({Dialog::Message, kind, std::string(text), "OK"});
}

bool ScriptedOperator::Ask(MessageKind kind, std::string_view text) {
  const std::size_t index = history_.size();
  Record({Dialog::Question, kind, std::string(text), ""});
  bool yes = default_answer_;
  if (!answers_.empty()) {
    yes = answers_.front();
    answers_.pop_front();
  }
  history_[index].Answer = yes ? "Yes" : "No";
  return yes;
}

std::optional<std::string> ScriptedOperator::Input(std::string_view title, std::string_view prompt,
                                                   std::string_view /*initial*/) {
  const std::size_t index = history_.size();
  Record({Dialog::Input, MessageKind::Plain, std::string(title) + "|" + std::string(prompt), ""});
  auto text = Take(inputs_);
  history_[index].Answer = text.value_or("");
  return text;
}

std::optional<std::string> ScriptedOperator::OpenFile(const FileDialogRequest& request) {
  const std::size_t index = history_.size();
  Record({Dialog::OpenFile, MessageKind::Plain, request.Title, ""});
  auto path = Take(files_);
  history_[index].Answer = path.value_or("");
  return path;
}

std::optional<std::string> ScriptedOperator::SaveFile(const FileDialogRequest& request) {
  const std::size_t index = history_.size();
  Record({Dialog::SaveFile, MessageKind::Plain, request.Title, ""});
  auto path = Take(files_);
  history_[index].Answer = path.value_or("");
  return path;
}

std::optional<std::string> ScriptedOperator::ChooseFolder(std::string_view title,
                                                          std::string_view /*initial*/) {
  const std::size_t index = history_.size();
  Record({Dialog::Folder, MessageKind::Plain, std::string(title), ""});
  auto path = Take(files_);
  history_[index].Answer = path.value_or("");
  return path;
}

std::optional<uint32_t> ScriptedOperator::ChooseColour(uint32_t /*initial*/) {
  const std::size_t index = history_.size();
  Record({Dialog::Colour, MessageKind::Plain, "", ""});
  auto colour = Take(colours_);
  history_[index].Answer = colour ? std::to_string(*colour) : "";
  return colour;
}

void ScriptedOperator::ShowBusy(bool busy) {
  if (busy && !busy_) ++busy_count_;
  busy_ = busy;
}

std::vector<std::string> ScriptedOperator::Texts() const {
  std::vector<std::string> texts;
  for (const auto& shown : history_) {
    if (shown.Type == Dialog::Message || shown.Type == Dialog::Question) texts.push_back(shown.Text);
  }
  return texts;
}

std::vector<std::string> ScriptedOperator::TextsOf(MessageKind kind) const {
  std::vector<std::string> texts;
  for (const auto& shown : history_) {
    if ((shown.Type == Dialog::Message || shown.Type == Dialog::Question) && shown.Kind == kind) {
      texts.push_back(shown.Text);
    }
  }
  return texts;
}

}  // namespace tarvos::platform
