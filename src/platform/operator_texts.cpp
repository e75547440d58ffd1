#include "platform/operator_texts.h"

namespace tarvos::platform {

std::string FillText(std::string_view pattern, std::span<const std::string_view> values) {
  std::string text;
  text.reserve(pattern.size() + 32);
  auto value = values.begin();
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const std::size_t open = pattern.find('{', pos);
    const std::size_t close =
        open == std::string_view::npos ? std::string_view::npos : pattern.find('}', open);
    if (close == std::string_view::npos) {
      text += pattern.substr(pos);
      break;
    }
    text += pattern.substr(pos, open - pos);
    if (value != values.end()) text += *value++;
    pos = close + 1;
  }
  return text;
}

std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values) {
  return FillText(pattern, std::span<const std::string_view>(values.begin(), values.size()));
}

}  // namespace tarvos::platform
