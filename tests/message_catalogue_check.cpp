// Linked into every test program above the platform: a text that a scripted operator is
// shown and the message catalogue does not hold fails the test that showed it.
#include <gtest/gtest.h>

#include "platform/scripted_operator.h"
#include "screen/message_catalogue.h"

namespace tarvos {
namespace {

using platform::ScriptedOperator;
using screen::TextShown;

std::optional<TextShown> ShownAs(ScriptedOperator::Dialog dialog) {
  switch (dialog) {
    case ScriptedOperator::Dialog::Message:
      return TextShown::Box;
    case ScriptedOperator::Dialog::Question:
      return TextShown::Question;
    case ScriptedOperator::Dialog::Input:
      return TextShown::Input;
    case ScriptedOperator::Dialog::OpenFile:
    case ScriptedOperator::Dialog::SaveFile:
      return TextShown::FileDialog;
    case ScriptedOperator::Dialog::Folder:
      return TextShown::FolderDialog;
    case ScriptedOperator::Dialog::Colour:
      break;
  }
  return std::nullopt;  // the colour dialog has no text of the program's
}

class CatalogueCheck final : public ::testing::Environment {
 public:
  void SetUp() override {
    ScriptedOperator::SetTextCheck([](const ScriptedOperator::Shown& shown) {
      const auto as = ShownAs(shown.Type);
      if (!as || screen::FindMessage(*as, shown.Kind, shown.Text)) return;
      ADD_FAILURE() << "shown, but not in the message catalogue (kind "
                    << static_cast<int>(shown.Kind) << ", dialog "
                    << static_cast<int>(shown.Type) << "): \"" << shown.Text << "\"";
    });
  }
  void TearDown() override { ScriptedOperator::SetTextCheck(nullptr); }
};

[[maybe_unused]] ::testing::Environment* const kCheck =
    ::testing::AddGlobalTestEnvironment(new CatalogueCheck);

}  // namespace
}  // namespace tarvos
