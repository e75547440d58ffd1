#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "station/station.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QComboBox;

namespace tarvos::ui {

class Lamp;

// The small dialogs and the engineer's windows: each made once, reused, and drawing the
// part of the Screen its Station handlers write. `Refresh` draws it after a handler.

// "&Notes...": the eight note lines in a text box.
class NotesDialog : public QDialog {
 public:
  NotesDialog(station::Station& station, QWidget* parent);
  void Run();  // modal
  QPlainTextEdit* TextBox() const { return text_; }

 private:
  void Refresh(int caret);  // caret: the character position to leave it at
  station::Station& station_;
  QPlainTextEdit* text_ = nullptr;
  bool exited_ = false;
};

// "&Settings...": the graph colours and the grid range.
class ScreenSettingsDialog : public QDialog {
 public:
  ScreenSettingsDialog(station::Station& station, std::function<void()> repaint, QWidget* parent);
  void Run();  // modal
  QLineEdit* GridRange() const { return grid_range_; }

 private:
  station::Station& station_;
  std::function<void()> repaint_;
  QLineEdit* grid_range_ = nullptr;
  bool accepted_ = false;
};

// "&About...".
class AboutDialog : public QDialog {
 public:
  AboutDialog(station::Station& station, QWidget* parent);
  void Run();  // modal
  QLabel* Picture() const { return picture_; }

 private:
  station::Station& station_;
  QLabel* picture_ = nullptr;
  QLabel* software_ = nullptr;
  QLabel* hardware_ = nullptr;
  QLabel* salvo_ = nullptr;
};

// "&Diagnostics": not modal; it follows the Screen while it is shown.
class DiagnosticsWindow : public QWidget {
 public:
  DiagnosticsWindow(station::Station& station, QWidget* parent);
  void Refresh();
  QListWidget* List() const { return list_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  station::Station& station_;
  QListWidget* list_ = nullptr;
  std::vector<std::function<void()>> drawers_;
  std::size_t shown_messages_ = 0;
  std::string shown_first_;
};

// The engineering "Test Form", modal, opened by a right-button press on the clock.
class TestFormWindow : public QDialog {
 public:
  TestFormWindow(station::Station& station, QWidget* parent);
  void Run();
  void Refresh();

 private:
  void Handle(const std::function<void()>& handler);
  station::Station& station_;
  std::vector<std::function<void()>> drawers_;
  QComboBox* strings_ = nullptr;
  bool closing_ = false;
};

}  // namespace tarvos::ui
