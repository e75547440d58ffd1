#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/operator.h"

namespace tarvos::station {

// How a text reaches the operator.
enum class TextShown {
  Box,          // a message box with OK
  Question,     // Yes and No
  Input,        // an input box: "title|prompt"
  FileDialog,   // the title of an open or save dialog
  FolderDialog  // the title of a folder dialog
};

// One text the program shows: its fixed parts, with a {name} for each part that is
// filled in when it is shown (a path, a count, the model name), and what the operator's
// guide says about it.
struct MessageEntry {
  TextShown Shown = TextShown::Box;
  platform::MessageKind Kind = platform::MessageKind::Plain;
  std::string_view Text;
  std::string_view When;     // when it appears
  std::string_view Meaning;  // what it means
  std::string_view Action;   // what to do
};

// Every text that goes through the operator's dialogs, boxes and questions, in the order
// of the guide's table.
std::span<const MessageEntry> MessageCatalogue();

// Whether the text is the pattern with its {name} parts filled in (any text, empty too).
bool MatchesPattern(std::string_view pattern, std::string_view text);

// The entry that the text shown is, or nullptr when the catalogue holds none.
const MessageEntry* FindMessage(TextShown shown, platform::MessageKind kind,
                                std::string_view text);

// The guide's table of messages, in Markdown, one row per entry.
std::string MessageTable();

}  // namespace tarvos::station
