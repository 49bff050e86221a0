#include "parameter_slider.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace hosei {

ParameterSlider::ParameterSlider(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
  setFocusPolicy(Qt::StrongFocus);
}

void ParameterSlider::keyPressEvent(QKeyEvent* event) {
  SliderAction action = SliderNoAction;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
      action = SliderSingleStepSub;
      break;
    case Qt::Key_Down:
    case Qt::Key_Right:
      action = SliderSingleStepAdd;
      break;
    case Qt::Key_PageUp:
      action = SliderPageStepSub;
      break;
    case Qt::Key_PageDown:
      action = SliderPageStepAdd;
      break;
    case Qt::Key_Home:
      action = SliderToMinimum;
      break;
    case Qt::Key_End:
      action = SliderToMaximum;
      break;
    default:
      QScrollBar::keyPressEvent(event);
      return;
  }
  triggerAction(action);
  event->accept();
}

void ParameterSlider::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  if (!hasFocus()) return;
  QStyleOptionFocusRect focus;
  focus.initFrom(this);
  focus.backgroundColor = palette().color(backgroundRole());
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

}  // namespace hosei
