#include "app/batch_operator.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tarvos::app {
namespace {

using platform::MessageKind;

TEST(BatchOperatorTest, EachMessageIsOneLineWithItsKind) {
  std::ostringstream err;
  BatchOperator op(err, false);
  op.Show(MessageKind::Plain, "USB Text file Missing");
  op.Show(MessageKind::Information, "The Run has Ended. ");
  op.Show(MessageKind::Warning, "Tarvos Fault : Write Error. #1");
  op.Show(MessageKind::Confirmation, "Defaults Loaded");
  op.Show(MessageKind::Error, "File not found");
  EXPECT_EQ(err.str(),
            "plain: USB Text file Missing\n"
            "information: The Run has Ended. \n"
            "warning: Tarvos Fault : Write Error. #1\n"
            "confirmation: Defaults Loaded\n"
            "error: File not found\n");
}

TEST(BatchOperatorTest, QuestionsGetTheOneAnswerWhateverTheirKind) {
  std::ostringstream err;
  BatchOperator yes(err, true);
  EXPECT_TRUE(yes.Ask(MessageKind::Warning, "Cell Data File Missing. Install ?"));
  EXPECT_TRUE(yes.Ask(MessageKind::Confirmation, "Clear all Results ?"));
  BatchOperator no(err, false);
  EXPECT_FALSE(no.Ask(MessageKind::Confirmation, "Overwrite Existing Pre-Scan Data ?"));
  EXPECT_EQ(err.str(),
            "question: Cell Data File Missing. Install ?\n"
            "question: Clear all Results ?\n"
            "question: Overwrite Existing Pre-Scan Data ?\n");
}

TEST(BatchOperatorTest, AnInputBoxKeepsItsPrefilledText) {
  std::ostringstream err;
  BatchOperator op(err, true);
  EXPECT_EQ(op.Input("Cell Serial Number", "Enter Current Cell Serial Number", "10"), "10");
  EXPECT_EQ(op.Input("Corvid Test Title", "Enter Display Title : ", ""), "");
  EXPECT_EQ(err.str(),
            "input: Enter Current Cell Serial Number\n"
            "input: Enter Display Title : \n");
}

TEST(BatchOperatorTest, DialogsAreCancelledAndTheBusyCursorIsSilent) {
  std::ostringstream err;
  BatchOperator op(err, true);
  const platform::FileDialogRequest request{"Open Setup", "Setup Files|*.STP", "STP", ""};
  EXPECT_EQ(op.OpenFile(request), std::nullopt);
  EXPECT_EQ(op.SaveFile(request), std::nullopt);
  EXPECT_EQ(op.ChooseFolder("Load Cell Calibration", "/"), std::nullopt);
  EXPECT_EQ(op.ChooseColour(0x00FF00), std::nullopt);
  op.ShowBusy(true);
  op.ShowBusy(false);
  EXPECT_EQ(err.str(), "");
}

TEST(BatchOperatorTest, LineBreaksInsideATextDoNotSplitTheLine) {
  std::ostringstream err;
  BatchOperator op(err, false);
  op.Show(MessageKind::Warning, "one\r\ntwo\nthree\rfour\n\n");
  EXPECT_FALSE(op.Ask(MessageKind::Confirmation, "a\nb"));
  EXPECT_EQ(err.str(), "warning: one two three four  \nquestion: a b\n");
}

TEST(BatchOperatorTest, KindNames) {
  EXPECT_EQ(MessageKindName(MessageKind::Plain), "plain");
  EXPECT_EQ(MessageKindName(MessageKind::Information), "information");
  EXPECT_EQ(MessageKindName(MessageKind::Warning), "warning");
  EXPECT_EQ(MessageKindName(MessageKind::Confirmation), "confirmation");
  EXPECT_EQ(MessageKindName(MessageKind::Error), "error");
}

}  // namespace
}  // namespace tarvos::app
