// QtOperator's real dialogs on the offscreen platform, answered from inside their own
// modal loops as an operator would.
#include "ui/qt_operator.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "ui/qt_event_loop.h"

namespace tarvos::ui {
namespace {

using platform::FileDialogRequest;
using platform::MessageKind;

// Waits (inside the modal loop of the dialog about to open) for the dialog, then hands
// it to the test to look at and answer. Gives up after a few seconds, so a dialog that
// never opens fails the test instead of hanging it.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(QWidget*)> act) : act_(std::move(act)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
  }
  bool Acted() const { return acted_; }

 private:
  void Poll() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) {
      if (++tries_ > 1000) poll_.stop();
      return;
    }
    poll_.stop();
    acted_ = true;
    act_(dialog);
  }

  std::function<void(QWidget*)> act_;
  QTimer poll_;
  int tries_ = 0;
  bool acted_ = false;
};

class QtOperatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_name_ = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Brevant Instruments Ltd TARVOS"));
  }
  void TearDown() override { QCoreApplication::setApplicationName(saved_name_); }

  QString saved_name_;
};

struct BoxSeen {
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons Buttons;
  QMessageBox::StandardButton Default = QMessageBox::NoButton;
  QWidget* Parent = nullptr;
};

// Records the message box and clicks one of its buttons.
std::unique_ptr<ModalDriver> AnswerBox(BoxSeen& seen, QMessageBox::StandardButton click) {
  return std::make_unique<ModalDriver>([&seen, click](QWidget* widget) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(),     box->text(),
            box->icon(),            box->standardButtons(),
            box->standardButton(box->defaultButton()), box->parentWidget()};
    QAbstractButton* button = box->button(click);
    if (button == nullptr) {
      box->done(0);  // the button is missing: the test has failed already
      return;
    }
    button->click();
  });
}

TEST_F(QtOperatorTest, MessageBoxHasItsKindsIconTextAndOneOkButton) {
  QtOperator op;
  const std::pair<MessageKind, QMessageBox::Icon> kinds[] = {
      {MessageKind::Plain, QMessageBox::NoIcon},
      {MessageKind::Information, QMessageBox::Information},
      {MessageKind::Warning, QMessageBox::Warning},
      {MessageKind::Confirmation, QMessageBox::Question},
      {MessageKind::Error, QMessageBox::Critical},
  };
  for (const auto& [kind, icon] : kinds) {
    BoxSeen seen;
    auto driver = AnswerBox(seen, QMessageBox::Ok);
    op.Show(kind, "Tarvos Fault : Set Point Cannot Be Reached #1");
    ASSERT_TRUE(driver->Acted());
    EXPECT_EQ(seen.Icon, icon) << static_cast<int>(kind);
    EXPECT_EQ(seen.Text, QStringLiteral("Tarvos Fault : Set Point Cannot Be Reached #1"));
    EXPECT_EQ(seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.Title, QStringLiteral("Brevant Instruments Ltd TARVOS"));
  }
}

TEST_F(QtOperatorTest, TextsAreShownAsLatin1) {
  QtOperator op;
  BoxSeen seen;
  auto driver = AnswerBox(seen, QMessageBox::Ok);
  op.Show(MessageKind::Information, "Field 3 V/m \xB1" "1 dB at 25\xB0" "C");
  ASSERT_TRUE(driver->Acted());
  EXPECT_EQ(seen.Text, QString::fromUtf8("Field 3 V/m \u00B11 dB at 25\u00B0C"));
}

TEST_F(QtOperatorTest, QuestionHasYesAndNoAndAnswersAsClicked) {
  QWidget window;
  QtOperator op(&window);
  BoxSeen seen;
  {
    auto driver = AnswerBox(seen, QMessageBox::Yes);
    EXPECT_TRUE(op.Ask(MessageKind::Confirmation, "Clear all Results ?"));
    ASSERT_TRUE(driver->Acted());
  }
  EXPECT_EQ(seen.Text, QStringLiteral("Clear all Results ?"));
  EXPECT_EQ(seen.Icon, QMessageBox::Question);
  EXPECT_EQ(seen.Buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen.Default, QMessageBox::Yes);
  EXPECT_EQ(seen.Parent, &window);
  {
    auto driver = AnswerBox(seen, QMessageBox::No);
    EXPECT_FALSE(op.Ask(MessageKind::Warning, "Overwrite C:/runs/a.RF?"));
    ASSERT_TRUE(driver->Acted());
  }
  EXPECT_EQ(seen.Icon, QMessageBox::Warning);
}

TEST_F(QtOperatorTest, EscapeOnAQuestionAnswersNo) {
  QtOperator op;
  ModalDriver driver([](QWidget* box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &press);
  });
  EXPECT_FALSE(op.Ask(MessageKind::Confirmation, "Close Fennix ?"));
  EXPECT_TRUE(driver.Acted());
}

TEST_F(QtOperatorTest, OpenBoxPumpsTheWindowTimers) {
  QtEventLoop loop;
  auto timer = loop.CreateTimer();
  int ticks = 0;
  timer->SetCallback([&] { ++ticks; });
  timer->SetInterval(10);
  timer->SetEnabled(true);
  QtOperator op;
  int ticks_while_open = 0;
  // The box is answered only once the timer has gone on behind it.
  QTimer answer;
  answer.setInterval(5);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || ticks < 3) return;
    ticks_while_open = ticks;
    answer.stop();
    box->button(QMessageBox::Ok)->click();
  });
  answer.start();
  op.Show(MessageKind::Information, "Connect Amplifier 2");
  EXPECT_GE(ticks_while_open, 3);
  timer->SetEnabled(false);
}

TEST_F(QtOperatorTest, InputBoxShowsTitlePromptAndInitialTextAndReturnsWhatWasTyped) {
  QtOperator op;
  QString title, label, initial;
  ModalDriver driver([&](QWidget* widget) {
    auto* dialog = qobject_cast<QInputDialog*>(widget);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    label = dialog->labelText();
    initial = dialog->textValue();
    dialog->setTextValue(QString::fromUtf8("Caf\u00e9 \u20ac7"));
    dialog->accept();
  });
  const auto typed = op.Input("Cell Data", "Enter Cell Serial Number : ", "10\xB5");
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(title, QStringLiteral("Cell Data"));
  EXPECT_EQ(label, QStringLiteral("Enter Cell Serial Number : "));
  EXPECT_EQ(initial, QString::fromUtf8("10\u00b5"));
  // Back in single bytes; what Latin-1 cannot hold becomes '?'.
  EXPECT_EQ(typed, std::optional<std::string>("Caf\xE9 ?7"));
}

TEST_F(QtOperatorTest, CancelledInputIsNothing) {
  QtOperator op;
  ModalDriver driver([](QWidget* widget) {
    auto* dialog = qobject_cast<QInputDialog*>(widget);
    ASSERT_NE(dialog, nullptr);
    dialog->setTextValue(QStringLiteral("typed, then cancelled"));
    dialog->reject();
  });
  EXPECT_EQ(op.Input("Cell Serial Number", "Enter Current Cell Serial Number", "10"),
            std::nullopt);
  EXPECT_TRUE(driver.Acted());
}

TEST(QtFileFilterTest, PairsBecomeQtFilters) {
  EXPECT_EQ(QtFileFilter("Report Files|*.txt"), QStringLiteral("Report Files (*.txt)"));
  EXPECT_EQ(QtFileFilter("Results Files|*.RF|All Files|*.*"),
            QStringLiteral("Results Files (*.RF);;All Files (*.*)"));
  EXPECT_EQ(QtFileFilter("Test Data|*.RF;*.STP"), QStringLiteral("Test Data (*.RF *.STP)"));
  EXPECT_EQ(QtFileFilter(""), QString());
  // A description without patterns offers nothing rather than a filter matching nothing.
  EXPECT_EQ(QtFileFilter("Pre scans|*.PSC|Dangling"), QStringLiteral("Pre scans (*.PSC)"));
  EXPECT_EQ(QtFileFilter("Empty||Pre scans|*.PSC"), QStringLiteral("Pre scans (*.PSC)"));
}

TEST(WithDefaultExtensionTest, AppendedOnlyToANameWithoutOne) {
  EXPECT_EQ(WithDefaultExtension("/runs/report", "TXT"), "/runs/report.TXT");
  EXPECT_EQ(WithDefaultExtension("/runs/report.txt", "TXT"), "/runs/report.txt");
  EXPECT_EQ(WithDefaultExtension("/runs/report.log", "TXT"), "/runs/report.log");
  EXPECT_EQ(WithDefaultExtension("/runs.2024/report", "RF"), "/runs.2024/report.RF");
  EXPECT_EQ(WithDefaultExtension("report", "RF"), "report.RF");
  EXPECT_EQ(WithDefaultExtension("/runs/report", ""), "/runs/report");
  EXPECT_EQ(WithDefaultExtension("/runs/", "RF"), "/runs/");
}

struct FileDialogSeen {
  QString Title;
  QStringList Filters;
  QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
  QString Directory;
};

std::unique_ptr<ModalDriver> AnswerFileDialog(FileDialogSeen& seen, QString choose) {
  return std::make_unique<ModalDriver>([&seen, choose](QWidget* widget) {
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    ASSERT_NE(dialog, nullptr);
    seen = {dialog->windowTitle(), dialog->nameFilters(), dialog->acceptMode(),
            dialog->directory().absolutePath()};
    if (choose.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(choose);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept, as OK does
  });
}

TEST_F(QtOperatorTest, OpenDialogHasTitleFilterAndFolderAndReturnsTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile file(dir.filePath(QStringLiteral("scan1.RF")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  QtOperator op;
  FileDialogRequest request{"Open Existing Results Files", "Results Files|*.RF", "RF",
                            QFile::encodeName(dir.path() + '/').toStdString()};
  FileDialogSeen seen;
  {
    auto driver = AnswerFileDialog(seen, file.fileName());
    EXPECT_EQ(op.OpenFile(request), QFile::encodeName(file.fileName()).toStdString());
    ASSERT_TRUE(driver->Acted());
  }
  EXPECT_EQ(seen.Title, QStringLiteral("Open Existing Results Files"));
  EXPECT_EQ(seen.Filters, QStringList{QStringLiteral("Results Files (*.RF)")});
  EXPECT_EQ(seen.Mode, QFileDialog::AcceptOpen);
  EXPECT_EQ(seen.Directory, QDir(dir.path()).absolutePath());

  auto driver = AnswerFileDialog(seen, QString());
  EXPECT_EQ(op.OpenFile(request), std::nullopt);
  EXPECT_TRUE(driver->Acted());
}

TEST_F(QtOperatorTest, SaveDialogAppendsTheDefaultExtension) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtOperator op;
  FileDialogRequest request{"Save List", "Report Files|*.txt", "TXT",
                            QFile::encodeName(dir.path() + '/').toStdString()};
  FileDialogSeen seen;
  {
    auto driver = AnswerFileDialog(seen, dir.filePath(QStringLiteral("commands")));
    EXPECT_EQ(op.SaveFile(request),
              QFile::encodeName(dir.filePath(QStringLiteral("commands.TXT"))).toStdString());
    ASSERT_TRUE(driver->Acted());
  }
  EXPECT_EQ(seen.Title, QStringLiteral("Save List"));
  EXPECT_EQ(seen.Filters, QStringList{QStringLiteral("Report Files (*.txt)")});
  EXPECT_EQ(seen.Mode, QFileDialog::AcceptSave);
  {
    auto driver = AnswerFileDialog(seen, dir.filePath(QStringLiteral("commands.log")));
    EXPECT_EQ(op.SaveFile(request),
              QFile::encodeName(dir.filePath(QStringLiteral("commands.log"))).toStdString());
    ASSERT_TRUE(driver->Acted());
  }
}

TEST_F(QtOperatorTest, FolderDialogReturnsTheFolderWithATrailingSeparator) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("supplier disk")));
  const QString folder = dir.filePath(QStringLiteral("supplier disk"));
  QtOperator op;
  QString title;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  ModalDriver driver([&](QWidget* widget) {
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    mode = dialog->fileMode();
    dialog->setDirectory(folder);
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto chosen = op.ChooseFolder("Load Cell Calibration",
                                      QFile::encodeName(dir.path()).toStdString());
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(title, QStringLiteral("Load Cell Calibration"));
  EXPECT_EQ(mode, QFileDialog::Directory);
  EXPECT_EQ(chosen, QFile::encodeName(folder + '/').toStdString());
}

TEST_F(QtOperatorTest, TheCellFolderDialogShowsItsLabelAndTakesTheTypedPath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.filePath(QStringLiteral("supplier disk"));
  ASSERT_TRUE(QDir().mkpath(folder));
  QtOperator op;
  QString title, label, accept_caption;
  ModalDriver driver([&](QWidget* widget) {
    title = widget->windowTitle();
    for (QLabel* shown : widget->findChildren<QLabel*>()) {
      if (shown->text().startsWith("Enter")) label = shown->text();
    }
    auto* path = widget->findChild<QLineEdit*>("path");
    ASSERT_NE(path, nullptr);
    ASSERT_NE(widget->findChild<QComboBox*>("drives"), nullptr);
    path->setText(folder);
    for (QPushButton* button : widget->findChildren<QPushButton*>()) {
      if (button->text() == "Load Cell Calibration Data") {
        accept_caption = button->text();
        button->click();
      }
    }
  });
  const auto chosen = op.ChooseFolder(platform::FolderDialogRequest{
      "Load Cell Calibration", "Enter Source Path for Calibration File for Cell 10",
      "Load Cell Calibration Data", ""});
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(title, QStringLiteral("Load Cell Calibration"));
  EXPECT_EQ(label, QStringLiteral("Enter Source Path for Calibration File for Cell 10"));
  EXPECT_EQ(accept_caption, QStringLiteral("Load Cell Calibration Data"));
  EXPECT_EQ(chosen, QFile::encodeName(folder + '/').toStdString());

  ModalDriver cancel([](QWidget* widget) {
    for (QPushButton* button : widget->findChildren<QPushButton*>()) {
      if (button->text() == "Cancel") button->click();
    }
  });
  EXPECT_EQ(op.ChooseFolder(platform::FolderDialogRequest{"Load Cell Calibration", "x",
                                                          "Load Cell Calibration Data", ""}),
            std::nullopt);
}

TEST_F(QtOperatorTest, ColourDialogStartsAtTheColourAndReturnsTheChoiceAsRgb) {
  QtOperator op;
  QColor initial;
  {
    ModalDriver driver([&](QWidget* widget) {
      auto* dialog = qobject_cast<QColorDialog*>(widget);
      ASSERT_NE(dialog, nullptr);
      initial = dialog->currentColor();
      dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
      dialog->accept();
    });
    EXPECT_EQ(op.ChooseColour(0x008080u), std::optional<uint32_t>(0x123456u));
    ASSERT_TRUE(driver.Acted());
  }
  EXPECT_EQ(initial, QColor(0, 128, 128));

  ModalDriver driver([](QWidget* widget) {
    auto* dialog = qobject_cast<QColorDialog*>(widget);
    ASSERT_NE(dialog, nullptr);
    dialog->setCurrentColor(Qt::red);
    dialog->reject();
  });
  EXPECT_EQ(op.ChooseColour(0xFFFFFFu), std::nullopt);
  EXPECT_TRUE(driver.Acted());
}

TEST_F(QtOperatorTest, BusyCursorIsSetOnceAndRestoredOnce) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  {
    QtOperator op;
    op.ShowBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    op.ShowBusy(true);
    op.ShowBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A restore without a busy cursor leaves another part's cursor alone.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    op.ShowBusy(false);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();

    op.ShowBusy(true);  // left busy: the operator's end restores it
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tarvos::ui
