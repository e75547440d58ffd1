#include "platform/scripted_operator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/virtual_event_loop.h"

namespace tarvos::platform {
namespace {

using ::testing::ElementsAre;
using Dialog = ScriptedOperator::Dialog;

// "Question Warning 'text' -> Yes": one dialog of the history, readable in a failure.
std::string Describe(const ScriptedOperator::Shown& shown) {
  static constexpr const char* kDialogs[] = {"Message",  "Question", "Input", "OpenFile",
                                             "SaveFile", "Folder",   "Colour"};
  static constexpr const char* kKinds[] = {"Plain", "Information", "Warning", "Confirmation",
                                           "Error"};
  return std::string(kDialogs[static_cast<int>(shown.Type)]) + " " +
         kKinds[static_cast<int>(shown.Kind)] + " '" + shown.Text + "' -> " + shown.Answer;
}

std::vector<std::string> History(const ScriptedOperator& op) {
  std::vector<std::string> lines;
  for (const auto& shown : op.History()) lines.push_back(Describe(shown));
  return lines;
}

FileDialogRequest Request(std::string title) {
  return {std::move(title), "Results Files|*.RF", "RF", ""};
}

TEST(ScriptedOperatorTest, RecordsEveryDialogWithItsKindTextAndAnswer) {
  ScriptedOperator op;
  op.QueueAnswer(true);
  op.QueueInput("12.5");
  op.QueueFile("/tmp/a.RF");
  op.QueueFile("/tmp/b.RF");
  op.QueueFile("/tmp/results");
  op.QueueColour(0x00FF8000);

  op.Show(MessageKind::Error, "Tarvos Fault : Write Error. #1");
  EXPECT_TRUE(op.Ask(MessageKind::Confirmation, "Exit Tarvos?"));
  EXPECT_EQ(op.Input("Level", "Enter level", "10"), "12.5");
  EXPECT_EQ(op.OpenFile(Request("Open Results")), "/tmp/a.RF");
  EXPECT_EQ(op.SaveFile(Request("Save Results")), "/tmp/b.RF");
  EXPECT_EQ(op.ChooseFolder("Cell Files", "/"), "/tmp/results");
  EXPECT_EQ(op.ChooseColour(0), 0x00FF8000u);

  EXPECT_THAT(History(op), ElementsAre("Message Error 'Tarvos Fault : Write Error. #1' -> OK",
                                       "Question Confirmation 'Exit Tarvos?' -> Yes",
                                       "Input Plain 'Level|Enter level' -> 12.5",
                                       "OpenFile Plain 'Open Results' -> /tmp/a.RF",
                                       "SaveFile Plain 'Save Results' -> /tmp/b.RF",
                                       "Folder Plain 'Cell Files' -> /tmp/results",
                                       "Colour Plain '' -> 16744448"));
  op.ClearHistory();
  EXPECT_TRUE(op.History().empty());
}

TEST(ScriptedOperatorTest, AnswersQuestionsInTheOrderQueuedThenByDefault) {
  ScriptedOperator op;
  op.QueueAnswer(true);
  op.QueueAnswer(false);
  op.QueueAnswer(true);
  std::vector<bool> answers;
  for (int i = 0; i < 5; ++i) answers.push_back(op.Ask(MessageKind::Confirmation, "Again?"));
  EXPECT_THAT(answers, ElementsAre(true, false, true, false, false));

  op.SetDefaultAnswer(true);
  EXPECT_TRUE(op.Ask(MessageKind::Confirmation, "Again?"));
  op.QueueAnswer(false);  // a queued answer still goes before the default
  EXPECT_FALSE(op.Ask(MessageKind::Confirmation, "Again?"));
}

TEST(ScriptedOperatorTest, UnscriptedOrCancelledInputAndFileDialogsGiveNothing) {
  ScriptedOperator op;
  op.QueueInput(std::nullopt);
  op.QueueFile(std::nullopt);
  EXPECT_EQ(op.Input("Level", "Enter level", "10"), std::nullopt);
  EXPECT_EQ(op.Input("Level", "Enter level", "10"), std::nullopt);
  EXPECT_EQ(op.OpenFile(Request("Open Setup")), std::nullopt);
  EXPECT_EQ(op.SaveFile(Request("Save Setup")), std::nullopt);
  EXPECT_EQ(op.ChooseFolder("Cell Files", "/"), std::nullopt);
  EXPECT_EQ(op.ChooseColour(0x123456), std::nullopt);
  ASSERT_EQ(op.History().size(), 6u);
  for (const auto& shown : op.History()) EXPECT_EQ(shown.Answer, "") << Describe(shown);
  // An empty text entered is not a cancel.
  op.QueueInput("");
  EXPECT_EQ(op.Input("Level", "Enter level", "10"), "");
}

TEST(ScriptedOperatorTest, TextsAreTheMessagesAndQuestionsOnly) {
  ScriptedOperator op;
  op.Show(MessageKind::Warning, "Invalid Frequency");
  op.Input("Title", "Prompt", "");
  op.Ask(MessageKind::Confirmation, "Overwrite?");
  op.OpenFile(Request("Open"));
  op.Show(MessageKind::Information, "Test Complete");
  op.Ask(MessageKind::Warning, "Continue?");
  EXPECT_THAT(op.Texts(),
              ElementsAre("Invalid Frequency", "Overwrite?", "Test Complete", "Continue?"));
  EXPECT_THAT(op.TextsOf(MessageKind::Warning), ElementsAre("Invalid Frequency", "Continue?"));
  EXPECT_TRUE(op.TextsOf(MessageKind::Error).empty());
}

TEST(ScriptedOperatorTest, CountsEachTimeTheBusyCursorIsShown) {
  ScriptedOperator op;
  op.ShowBusy(true);
  op.ShowBusy(true);
  EXPECT_TRUE(op.Busy());
  op.ShowBusy(false);
  op.ShowBusy(true);
  op.ShowBusy(false);
  EXPECT_FALSE(op.Busy());
  EXPECT_EQ(op.BusyCount(), 2);
}

TEST(ScriptedOperatorTest, TimeGoesOnWhileADialogIsOpen) {
  VirtualEventLoop loop;
  ScriptedOperator op;
  int ticks = 0;
  auto timer = loop.CreateTimer();
  timer->SetInterval(1000);
  timer->SetCallback([&] { ++ticks; });
  timer->SetEnabled(true);
  std::vector<std::string> open;
  op.SetWhileOpen([&](const ScriptedOperator::Shown& shown) {
    open.push_back(Describe(shown));
    loop.RunFor(2500);
  });

  op.Show(MessageKind::Information, "Test Complete");
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(loop.ClockMs(), 2500u);
  op.QueueAnswer(true);
  EXPECT_TRUE(op.Ask(MessageKind::Confirmation, "Save results?"));
  EXPECT_EQ(ticks, 5);
  // The action sees the dialog before it is answered.
  EXPECT_THAT(open, ElementsAre("Message Information 'Test Complete' -> OK",
                                "Question Confirmation 'Save results?' -> "));
}

TEST(ScriptedOperatorTest, ADialogShownWhileAnotherIsOpenIsAnsweredFirst) {
  ScriptedOperator op;
  op.QueueAnswer(true);
  op.QueueAnswer(false);
  bool nested = false;
  op.SetWhileOpen([&](const ScriptedOperator::Shown& shown) {
    if (shown.Text != "Outer?" || nested) return;
    nested = true;  // a timer handler asking while the first box is up
    op.Ask(MessageKind::Warning, "Inner?");
  });
  EXPECT_FALSE(op.Ask(MessageKind::Confirmation, "Outer?"));
  EXPECT_THAT(History(op), ElementsAre("Question Confirmation 'Outer?' -> No",
                                       "Question Warning 'Inner?' -> Yes"));
}

TEST(ScriptedOperatorTest, TheWhileOpenActionMayReplaceItself) {
  ScriptedOperator op;
  auto seen = std::make_shared<std::vector<std::string>>();
  op.SetWhileOpen([&op, seen](const ScriptedOperator::Shown& shown) {
    op.SetWhileOpen(nullptr);     // only the first dialog
    seen->push_back(shown.Text);  // the captures must outlive the replacement
  });
  op.Show(MessageKind::Plain, "first");
  op.Show(MessageKind::Plain, "second");
  EXPECT_THAT(*seen, ElementsAre("first"));
}

}  // namespace
}  // namespace tarvos::platform
