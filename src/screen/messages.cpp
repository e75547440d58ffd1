#include "screen/messages.h"

#include <algorithm>
#include <span>

namespace tarvos::screen {

std::string Fill(const MessageEntry& entry, std::initializer_list<std::string_view> values) {
  return platform::FillText(entry.Text, values);
}

InputTexts InputTextsOf(const MessageEntry& entry) {
  const std::size_t bar = entry.Text.find('|');
  if (bar == std::string_view::npos) return {entry.Text, {}};
  return {entry.Text.substr(0, bar), entry.Text.substr(bar + 1)};
}

std::optional<std::string> AskInput(platform::Operator& op, const MessageEntry& entry,
                                    std::string_view initial,
                                    std::initializer_list<std::string_view> values) {
  const auto [title, prompt] = InputTextsOf(entry);
  // The title takes the first values, one for each of its parts; the prompt the rest.
  const auto in_title = std::min<std::size_t>(
      static_cast<std::size_t>(std::count(title.begin(), title.end(), '{')), values.size());
  const std::span<const std::string_view> all(values.begin(), values.size());
  return op.Input(platform::FillText(title, all.first(in_title)),
                  platform::FillText(prompt, all.subspan(in_title)), initial);
}

void Tell(platform::Operator& op, const MessageEntry& entry,
          std::initializer_list<std::string_view> values) {
  op.Show(entry.Kind, Fill(entry, values));
}

bool Ask(platform::Operator& op, const MessageEntry& entry,
         std::initializer_list<std::string_view> values) {
  return op.Ask(entry.Kind, Fill(entry, values));
}

}  // namespace tarvos::screen
