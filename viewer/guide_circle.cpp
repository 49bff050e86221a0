#include "guide_circle.h"

#include <cmath>

namespace hosei {

namespace {

QRectF AroundCentre(const QPointF& centre, double radius) {
  return QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
}

}  // namespace

QPointF PicturePoint(const QRectF& area, const QSizeF& image, double x, double y) {
  return QPointF(area.left() + x * area.width() / image.width(),
                 area.top() + (1 - y / image.height()) * area.height());
}

QRectF CentredVignettingCircle(const QRectF& area, double startPercent) {
  const double radius = std::hypot(area.width(), area.height()) / 200 * startPercent;
  return AroundCentre(area.center(), radius);
}

QRectF MovedVignettingCircle(const QRectF& area, const QSizeF& image, double startPercent,
                             const MovedCentre& centre) {
  const double radius = std::sqrt(static_cast<double>(centre.farCornerDistanceSquared)) *
                        area.width() / image.width() / 100 * startPercent;
  return AroundCentre(PicturePoint(area, image, centre.x, centre.y), radius);
}

QRectF FogGuideCircle(const QRectF& area, const QSizeF& image, double x, double y, double radius) {
  return AroundCentre(PicturePoint(area, image, x, y), area.width() / image.width() * radius);
}

}  // namespace hosei
