#include "circle_shape.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace hosei {

namespace {

// Half the width of the dark edge: how far the drawn line reaches beyond the circle.
constexpr double kEdge = 2.0;

bool Drawable(const QRectF& circle) {
  return std::isfinite(circle.x()) && std::isfinite(circle.y()) && std::isfinite(circle.width()) &&
         std::isfinite(circle.height()) && circle.width() > 0 && circle.height() > 0;
}

}  // namespace

CircleShape::CircleShape(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  hide();
}

void CircleShape::placeCircle(const QRectF& bounds, const QRect& visible) {
  circle_ = bounds;
  QRect covered;
  if (Drawable(bounds))
    covered = bounds.adjusted(-kEdge, -kEdge, kEdge, kEdge).intersected(visible).toAlignedRect();
  setGeometry(covered.isValid() ? covered : QRect(visible.topLeft(), QSize(0, 0)));
  update();
}

// True when some of the outline passes over `area`: the circle neither misses it nor
// encloses it whole.
bool CircleShape::outlineCrosses(const QRectF& area) const {
  const QPointF c = circle_.center();
  const double r = circle_.width() / 2;
  const double nearX = std::clamp(c.x(), area.left(), area.right());
  const double nearY = std::clamp(c.y(), area.top(), area.bottom());
  const double nearest = std::hypot(c.x() - nearX, c.y() - nearY);
  const double farX = std::max(std::abs(c.x() - area.left()), std::abs(c.x() - area.right()));
  const double farY = std::max(std::abs(c.y() - area.top()), std::abs(c.y() - area.bottom()));
  const double farthest = std::hypot(farX, farY);
  return nearest <= r + kEdge && farthest >= r - kEdge;
}

void CircleShape::paintEvent(QPaintEvent* /*event*/) {
  if (!Drawable(circle_) || !outlineCrosses(QRectF(geometry()))) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF local = circle_.translated(-pos());
  painter.setPen(QPen(QColor(0, 0, 0, 200), 2 * kEdge));
  painter.drawEllipse(local);
  painter.setPen(QPen(QColor(255, 255, 0), 1.5));
  painter.drawEllipse(local);
}

}  // namespace hosei
