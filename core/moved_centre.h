#pragma once

#include <cstdint>

namespace hosei {

// A vignetting centre moved away from the image centre, for trimmed photos. Coordinates
// are whole dots with the origin at the lower-left corner.
struct MovedCentre {
  std::int32_t x = 0;
  std::int32_t y = 0;
  // Squared distance from the centre to the farthest image corner.
  float farCornerDistanceSquared = 0.0f;
};

}  // namespace hosei
