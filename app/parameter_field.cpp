#include "parameter_field.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace hosei {

ParameterField::ParameterField(QWidget* parent) : QLineEdit(parent) {
  // A text written by the program (a slider's "1.48024428491834") would leave the caret at
  // its end and show only the end of a long number; the user reads it from its start.
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (!hasFocus()) setCursorPosition(0);
  });
}

void ParameterField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  selectAll();
  keepSelectionOnPress_ = event->reason() == Qt::MouseFocusReason;
}

void ParameterField::focusOutEvent(QFocusEvent* event) {
  keepSelectionOnPress_ = false;
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  emit focusLost();
}

void ParameterField::mousePressEvent(QMouseEvent* event) {
  if (keepSelectionOnPress_ && event->button() == Qt::LeftButton) {
    keepSelectionOnPress_ = false;
    event->accept();
    return;
  }
  keepSelectionOnPress_ = false;
  QLineEdit::mousePressEvent(event);
}

}  // namespace hosei
