#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tarvos::ui {

// The program's texts are single bytes, shown as Latin-1.
inline QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// What the operator typed, back in the program's single bytes; characters beyond
// Latin-1 become '?'.
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace tarvos::ui
