#include "records/text_line.h"

namespace tarvos::records {

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

}  // namespace tarvos::records
