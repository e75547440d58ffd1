#pragma once

#include <span>
#include <string>
#include <string_view>

#include "screen/messages.h"

namespace tarvos::screen {

// Every text that goes through the operator's dialogs, boxes and questions, in the order
// of the guide's table.
std::span<const MessageEntry> MessageCatalogue();

// Whether the text is the pattern with its {name} parts filled in (any text, empty too).
bool MatchesPattern(std::string_view pattern, std::string_view text);

// The entry that the text shown is, or nullptr when the catalogue holds none.
const MessageEntry* FindMessage(TextShown shown, platform::MessageKind kind, std::string_view text);

// The guide's table of messages, in Markdown, one row per entry.
std::string MessageTable();

}  // namespace tarvos::screen
