#include "vignetting.h"

namespace hosei {

VignettingGeometry SetUpVignetting(float startFraction, float coefficient, int shape, double width,
                                   double height, const std::optional<MovedCentre>& moved) {
  VignettingGeometry g;
  if (moved) {
    g.centreX = static_cast<float>(moved->x);
    g.centreY = static_cast<float>(moved->y);
    g.cornerDistanceSquared = moved->farCornerDistanceSquared;
  } else {
    g.centreX = static_cast<float>(width / 2);
    g.centreY = static_cast<float>(height / 2);
    g.cornerDistanceSquared = (height * height + width * width) / 4;
  }
  const double f = startFraction;
  g.cornerDistance = static_cast<float>(std::sqrt(g.cornerDistanceSquared));
  g.startRadius = static_cast<float>(std::sqrt(f * g.cornerDistanceSquared * f));
  g.coefficient = coefficient;
  g.shape = shape;
  return g;
}

}  // namespace hosei
