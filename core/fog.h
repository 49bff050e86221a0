#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "tables.h"

namespace hosei {

// The circle of a fog removal / local brightness run: centre and radius in dots, the
// brightness amount b (the field times 1.4) and the transition shape.
struct FogCircle {
  std::int32_t centreX = 0;
  std::int32_t centreY = 0;
  std::int32_t size = 0;
  std::int32_t brightness = 0;
  int shape = 0;
};

// The amount at squared distance q from the centre: full strength at the centre, fading
// to nothing at the radius, 0 outside.
inline float FogAmountAtSquaredDistance(const FogCircle& c, std::uint64_t q) {
  const float r = static_cast<float>(std::sqrt(static_cast<double>(q)));
  const double s = c.size;
  if (r >= s) return 0.0f;
  const int step = static_cast<int>(std::floor(300.0 - r / s * 300.0));
  return static_cast<float>(static_cast<double>(TransitionCurve()(c.shape, step)) * c.brightness);
}

// The squared distance is taken in unsigned 64 bits, so a centre far outside the picture
// cannot overflow it.
inline float FogAmount(const FogCircle& c, std::int32_t x, std::int32_t y) {
  const std::uint64_t dx =
      static_cast<std::uint64_t>(std::llabs(static_cast<std::int64_t>(x) - c.centreX));
  const std::uint64_t dy =
      static_cast<std::uint64_t>(std::llabs(static_cast<std::int64_t>(y) - c.centreY));
  return FogAmountAtSquaredDistance(c, dx * dx + dy * dy);
}

}  // namespace hosei
