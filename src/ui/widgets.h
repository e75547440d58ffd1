#pragma once

#include <QColor>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <functional>

#include "screen/screen.h"

namespace tarvos::ui {

// The colour a lamp is painted in; off is the window's face colour.
QColor LampQColor(screen::LampColour colour, const QColor& off);

// A lamp: a filled circle.
class Lamp : public QWidget {
 public:
  explicit Lamp(QWidget* parent);
  void SetColour(screen::LampColour colour);
  screen::LampColour Colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  screen::LampColour colour_ = screen::LampColour::Off;
};

// An entry field that tells apart the operator leaving it (Tab, a click elsewhere) from
// the focus going to a dialog that a handler opened: only the first is a "leave", or a
// validation message would validate again when it takes the focus.
class EntryField : public QLineEdit {
 public:
  explicit EntryField(QWidget* parent) : QLineEdit(parent) {}
  std::function<void()> OnLeave;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// The custom scan grid: leaving it counts like leaving a field.
class CustomTable : public QTableWidget {
 public:
  CustomTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {}
  std::function<void()> OnLeave;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// A label that reports a right-button press (the clock opens the engineer's window).
class ClockLabel : public QLabel {
 public:
  explicit ClockLabel(QWidget* parent) : QLabel(parent) {}
  std::function<void()> OnRightPress;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// Whether a focus change is the operator moving on, not a window or dialog taking it.
bool IsOperatorLeave(Qt::FocusReason reason);

// A push button in the layout that runs the action when clicked; never the dialog's
// default button.
QPushButton* AddButton(QWidget* parent, QLayout* layout, const char* caption,
                       std::function<void()> action);

}  // namespace tarvos::ui
