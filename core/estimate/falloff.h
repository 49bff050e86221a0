#pragma once

#include <cmath>

namespace hosei {

// A lens's falloff as the share of the light it keeps: exp(-(c1 ρ² + c2 ρ⁴)), ρ being the
// distance from its centre over the picture's half diagonal. Centre in full-picture dots,
// x from 1 at the left edge, y from 1 at the bottom row.
struct Falloff {
  double centreX = 0;
  double centreY = 0;
  double halfDiagonal = 1;
  double c1 = 0;
  double c2 = 0;

  double lightKeptAtDistance(double distance) const {
    const double q = distance * distance / (halfDiagonal * halfDiagonal);
    return std::exp(-(c1 * q + c2 * q * q));
  }
  double lightKept(double x, double y) const {
    return lightKeptAtDistance(std::hypot(x - centreX, y - centreY));
  }
};

}  // namespace hosei
