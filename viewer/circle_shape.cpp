#include "circle_shape.h"

#include <QPainter>
#include <QPen>
#include <cmath>

namespace hosei {

namespace {
constexpr int kMargin = 2;
}

CircleShape::CircleShape(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void CircleShape::placeCircle(const QRectF& bounds) {
  circle_ = bounds;
  const QRect outer = bounds.toAlignedRect().adjusted(-kMargin, -kMargin, kMargin, kMargin);
  setGeometry(outer);
  update();
}

void CircleShape::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF local = circle_.translated(-pos());
  painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
  painter.drawEllipse(local);
  painter.setPen(QPen(QColor(255, 255, 0), 1));
  painter.drawEllipse(local);
}

}  // namespace hosei
