#pragma once

#include <cmath>
#include <optional>

#include "moved_centre.h"
#include "tables.h"

namespace hosei {

// The geometry of one vignetting run, computed once before the pixel loop.
struct VignettingGeometry {
  float centreX = 0;
  float centreY = 0;
  double cornerDistanceSquared = 0;  // D
  float cornerDistance = 0;          // R = sqrt(D)
  float startRadius = 0;             // r0 = sqrt(f * D * f)
  float coefficient = 0;
  int shape = 0;
};

VignettingGeometry SetUpVignetting(float startFraction, float coefficient, int shape, double width,
                                   double height, const std::optional<MovedCentre>& moved);

// The amount at squared distance q from the centre. Nothing changes inside the start
// radius; outside it the amount follows the transition curve up to the farthest corner.
inline float VignettingAmountAtSquaredDistance(const VignettingGeometry& g, double q) {
  const float d = static_cast<float>(std::sqrt(q));
  if (g.startRadius >= d) return 0.0f;
  double step = std::floor((static_cast<double>(d) - g.startRadius) /
                           (static_cast<double>(g.cornerDistance) - g.startRadius) * 300.0);
  // A moved centre's corner distance is held in single precision and may land a hair
  // short of the true corner; the last table step bounds the lookup.
  if (!(step <= kTransitionSteps - 1)) step = kTransitionSteps - 1;
  return static_cast<float>(static_cast<double>(g.coefficient) *
                            TransitionCurve()(g.shape, static_cast<int>(step)));
}

// x counts from 1 at the left edge, y from 1 at the bottom row.
inline float VignettingAmount(const VignettingGeometry& g, int x, int y) {
  const double dx = x - static_cast<double>(g.centreX);
  const double dy = y - static_cast<double>(g.centreY);
  return VignettingAmountAtSquaredDistance(g, dy * dy + dx * dx);
}

}  // namespace hosei
