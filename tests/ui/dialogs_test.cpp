// The small dialogs and the engineer's test form, clicked while they are open.

#include "ui/dialogs.h"
#include "ui/program_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
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
    // Eight empty lines to start with, and the caret on the first.
    EXPECT_EQ(notes.TextBox()->textCursor().position(), 0);
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
  EXPECT_EQ(lines[7], "eight");
}

TEST(DialogsTest, AKeyPastTheNotesLimitIsRefusedAndLeavesTheCaretWhereItWas) {
  StationRig rig;
  rig.StartUp();
  auto& lines = rig.St().Records().NoteLines;
  lines[0] = std::string(530, 'x');  // with the seven line breaks: 537 of 540 characters
  NotesDialog notes(rig.St(), nullptr);
  WhileOpen([&] {
    QPlainTextEdit* box = notes.TextBox();
    QTest::keyClicks(box, "abc");  // 540: still taken
    EXPECT_EQ(box->toPlainText().size(), 540);
    QTest::keyClicks(box, "de");
    EXPECT_EQ(box->toPlainText().size(), 540);
    EXPECT_EQ(box->textCursor().position(), 3);
    QTest::keyClick(box, Qt::Key_Backspace);  // takes the "c" before the caret
    QTest::keyClicks(box, "Z");
    QTest::mouseClick(ButtonIn(&notes, "Exit"), Qt::LeftButton);
  });
  notes.Run();
  EXPECT_EQ(lines[0], "abZ" + std::string(530, 'x'));
  EXPECT_EQ(lines[1], "");
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

TEST(DialogsTest, AnI2cReadShowsAll64BytesAndTheFormKeepsItsSize) {
  StationRig rig;
  rig.StartUp();
  TestFormWindow form(rig.St(), nullptr);
  QSize before;
  QSize after;
  WhileOpen([&] {
    before = form.size();
    QTest::mouseClick(ButtonIn(&form, "I2C Read"), Qt::LeftButton);
    QApplication::processEvents();
    after = form.size();
    QDir().mkpath(TARVOS_GRAB_DIR);
    form.grab().save(QString(TARVOS_GRAB_DIR) + "test-form-after-read.png");
    QTest::mouseClick(ButtonIn(&form, "Back"), Qt::LeftButton);
  });
  form.Run();
  ASSERT_EQ(rig.Screen().test_form.data_low.size(), 96U);
  EXPECT_EQ(after, before);
  EXPECT_LE(after.width(), 1024);
  EXPECT_LE(after.height(), 768 - 40);  // room for a title bar
  // Each box: the 32 bytes as two lines of 16, every byte shown.
  int boxes = 0;
  for (QLabel* label : form.findChildren<QLabel*>()) {
    const QString text = label->text();
    if (text.size() != 97 || text[48] != '\n') continue;
    ++boxes;
    EXPECT_EQ(text.left(48).remove('\n') + text.mid(49), QString::fromLatin1(
        boxes == 1 ? rig.Screen().test_form.data_low : rig.Screen().test_form.data_high));
    const QFontMetrics metrics(label->font());
    EXPECT_GE(label->width(), metrics.horizontalAdvance(text.left(48)));
    EXPECT_GE(label->height(), 2 * metrics.height());
  }
  EXPECT_EQ(boxes, 2);
}

TEST(DialogsTest, TheAboutDialogShowsTheProgramsPicture) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  const QImage small = icon.pixmap(32, 32).toImage();
  ASSERT_FALSE(small.isNull());
  // Drawn: its corner is clear and its middle is not.
  EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0);
  EXPECT_GT(qAlpha(small.pixel(16, 16)), 0);

  StationRig rig;
  rig.StartUp();
  AboutDialog about(rig.St(), nullptr);
  WhileOpen([&] {
    EXPECT_EQ(about.windowTitle(), "About Brevant Instruments Ltd - Fennix");
    ASSERT_NE(about.Picture(), nullptr);
    EXPECT_TRUE(about.Picture()->isVisible());
    EXPECT_FALSE(about.Picture()->pixmap().isNull());
    QDir().mkpath(TARVOS_GRAB_DIR);
    about.grab().save(QString(TARVOS_GRAB_DIR) + "about.png");
    QTest::mouseClick(ButtonIn(&about, "Back"), Qt::LeftButton);
  });
  about.Run();
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
