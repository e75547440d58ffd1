#include "ui/widgets.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tarvos::ui {

QColor LampQColor(screen::LampColour colour, const QColor& off) {
  switch (colour) {
    case screen::LampColour::Red:
      return QColor(255, 0, 0);
    case screen::LampColour::Green:
      return QColor(0, 128, 0);
    case screen::LampColour::Blue:
      return QColor(0, 0, 255);
    case screen::LampColour::Lime:
      return QColor(0, 255, 0);
    case screen::LampColour::Off:
      break;
  }
  return off;
}

Lamp::Lamp(QWidget* parent) : QWidget(parent) { setFixedSize(18, 18); }

void Lamp::SetColour(screen::LampColour colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void Lamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette().color(QPalette::Dark), 1));
  painter.setBrush(LampQColor(colour_, palette().color(QPalette::Button)));
  painter.drawEllipse(QRectF(1.5, 1.5, width() - 3.0, height() - 3.0));
}

bool IsOperatorLeave(Qt::FocusReason reason) {
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason ||
         reason == Qt::OtherFocusReason;
}

void EntryField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (OnLeave && IsOperatorLeave(event->reason())) OnLeave();
}

void CustomTable::focusOutEvent(QFocusEvent* event) {
  QTableWidget::focusOutEvent(event);
  // The cell editor takes the focus from the table while a cell is typed in.
  if (OnLeave && IsOperatorLeave(event->reason()) && !isAncestorOf(QWidget::focusWidget())) {
    OnLeave();
  }
}

void ClockLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && OnRightPress) {
    OnRightPress();
    return;
  }
  QLabel::mousePressEvent(event);
}

QPushButton* AddButton(QWidget* parent, QLayout* layout, const char* caption,
                       std::function<void()> action) {
  auto* button = new QPushButton(caption, parent);
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, parent, [action] { action(); });
  layout->addWidget(button);
  return button;
}

}  // namespace tarvos::ui
