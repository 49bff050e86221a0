#include "centre_search.h"

#include <cmath>

namespace hosei {

Normalised::Normalised(int width, int height)
    : centreX(width / 2.0), centreY(height / 2.0), unit(std::hypot(width, height) / 2) {}

CentreBounds MovableCentreBounds(int width, int height) {
  const Normalised n(width, height);
  return {n.u(width / 5), n.u(width - width / 5), n.v(height / 5), n.v(height - height / 5)};
}

double FarthestCornerSquared(int width, int height, double u, double v) {
  const Normalised n(width, height);
  const double du = std::fabs(u) + n.centreX / n.unit, dv = std::fabs(v) + n.centreY / n.unit;
  return du * du + dv * dv;
}

}  // namespace hosei
