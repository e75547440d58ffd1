#pragma once

#include <string>
#include <string_view>

namespace tarvos::records {

// A text kept on one line of a file: a line end inside it (which no line can hold)
// becomes a blank, so the lines after it stay where the reader looks for them.
std::string OneLine(std::string_view text);

}  // namespace tarvos::records
