// The small dialogs and the engineer's test form, clicked while they are open.

#include "ui/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"

namespace tarvos::ui {
namespace {

using scenarios::StationRig;

QPushButton* ButtonIn(QWidget* widget, const QString& caption) {
  for (QPushButton* button : widget->findChildren<QPushButton*>()) {
    if (button->text() == caption) return button;
  }
  ADD_FAILURE() << caption.toStdString();
  return nullptr;
}

// Runs the action once the dialog's modal loop is running.
void WhileOpen(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

// The line edit of the dialog that shows the text.
QLineEdit* EditShowing(QWidget* widget, const QString& text) {
  for (QLineEdit* edit : widget->findChildren<QLineEdit*>()) {
    if (edit->text() == text) return edit;
  }
  ADD_FAILURE() << "no field shows " << text.toStdString();
  return nullptr;
}

void Retype(QLineEdit* edit, const char* text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

TEST(DialogsTest, TheNotesDialogKeepsTheFirstEightLinesOnExit) {
  StationRig rig;
  rig.StartUp();
  NotesDialog notes(rig.St(), nullptr);
  WhileOpen([&] {
    EXPECT_EQ(notes.windowTitle(), "Brevant Instruments Ltd - Fennix Notes");
    notes.TextBox()->selectAll();  // eight empty lines to start with
    bool first = true;
    for (const char* line : {"one", "two", "three", "four", "five", "six", "seven", "eight",
                             "nine", "ten"}) {
      if (!first) QTest::keyClick(notes.TextBox(), Qt::Key_Return);
      first = false;
      QTest::keyClicks(notes.TextBox(), line);
    }
    QTest::mouseClick(ButtonIn(&notes, "Exit"), Qt::LeftButton);
  });
  notes.Run();
  const auto& lines = rig.St().Records().NoteLines;
  EXPECT_EQ(lines[0], "one");
  EXPECT_EQ(lines[7], "eight");
  // Opened again, the box shows the eight notes; Clear empties the box only.
  WhileOpen([&] {
    EXPECT_TRUE(notes.TextBox()->toPlainText().startsWith("one\ntwo\n"));
    QTest::mouseClick(ButtonIn(&notes, "Clear"), Qt::LeftButton);
    EXPECT_EQ(notes.TextBox()->toPlainText(), "");
    notes.reject();  // the close box: the notes stay
  });
  notes.Run();
  EXPECT_EQ(lines[1], "two");
}

TEST(DialogsTest, TheGridRangeTakesOnlyValuesAbove0AndBelow400) {
  StationRig rig;
  rig.StartUp();
  int repaints = 0;
  ScreenSettingsDialog settings(rig.St(), [&repaints] { ++repaints; }, nullptr);
  for (const char* refused : {"400", "0"}) {
    WhileOpen([&] {
      EXPECT_EQ(settings.GridRange()->text(), " 15.0");  // fixed 5.1
      Retype(settings.GridRange(), refused);
      QTest::mouseClick(ButtonIn(&settings, "Accept"), Qt::LeftButton);
    });
    settings.Run();
    EXPECT_FLOAT_EQ(rig.St().Cell().MaxField, 15.0F) << refused;
  }
  WhileOpen([&] {
    EXPECT_EQ(settings.windowTitle(), "Brevant Instruments Ltd - Fennix Screen Colours");
    Retype(settings.GridRange(), "20");
    QTest::mouseClick(ButtonIn(&settings, "Accept"), Qt::LeftButton);
  });
  settings.Run();
  EXPECT_FLOAT_EQ(rig.St().Cell().MaxField, 20.0F);

  // "Default" asks first; the set point keeps its colour.
  rig.St().Config().SetPointColour = 0x123456;
  rig.St().Config().BorderColour = 0;
  rig.op.QueueAnswer(true);
  rig.TakeTexts();
  WhileOpen([&] {
    QTest::mouseClick(ButtonIn(&settings, "Default"), Qt::LeftButton);
    settings.reject();
  });
  settings.Run();
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"Revert to Default Colours ?"});
  EXPECT_EQ(rig.St().Config().BorderColour, 0x808000U);  // teal as the settings hold it
  EXPECT_EQ(rig.St().Config().SetPointColour, 0x123456U);
  EXPECT_GE(repaints, 1);
}

TEST(DialogsTest, TheTestFormCalculatesTheCountersAndTransmitsThePacket) {
  StationRig rig;
  rig.StartUp();
  TestFormWindow form(rig.St(), nullptr);
  WhileOpen([&] {
    EXPECT_TRUE(rig.St().Link().ReadsSuppressed);
    Retype(EditShowing(&form, ""), "900");  // "Frequency MHz" starts empty
    QTest::mouseClick(ButtonIn(&form, "Calculate"), Qt::LeftButton);
    EXPECT_EQ(rig.Screen().test_form.n_counter.text, "2812");
    rig.sim.ClearPackets();
    QTest::mouseClick(ButtonIn(&form, "I2C Transmit Packet"), Qt::LeftButton);
    QTest::mouseClick(ButtonIn(&form, "Back"), Qt::LeftButton);
  });
  form.Run();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(rig.St().Link().ReadsSuppressed);
  const auto texts = scenarios::PacketTexts(rig.sim.SynthPackets());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "06,30,0A,FC,13,88,04"), texts.end())
      << ::testing::PrintToString(texts);
}

TEST(DialogsTest, TheDiagnosticsWindowFollowsTheCommandsSent) {
  StationRig rig;
  rig.StartUp();
  DiagnosticsWindow diagnostics(rig.St(), nullptr);
  diagnostics.Refresh();
  EXPECT_FALSE(diagnostics.isVisible());
  rig.St().ShowDiagnostics();
  diagnostics.Refresh();
  EXPECT_TRUE(diagnostics.isVisible());
  EXPECT_EQ(diagnostics.windowTitle(), "Fennix Diagnostics");
  const auto& messages = rig.Screen().diagnostics.messages;
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(diagnostics.List()->count(), static_cast<int>(messages.size()));
  EXPECT_EQ(diagnostics.List()->item(0)->text().toStdString(), messages.front());
  QTest::mouseClick(ButtonIn(&diagnostics, "Clear List"), Qt::LeftButton);
  EXPECT_EQ(diagnostics.List()->count(), 0);
  QTest::mouseClick(ButtonIn(&diagnostics, "Hide"), Qt::LeftButton);
  EXPECT_FALSE(diagnostics.isVisible());
}

}  // namespace
}  // namespace tarvos::ui
