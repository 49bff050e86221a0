#pragma once

#include "falloff.h"
#include "light_map.h"

namespace hosei {

// A falloff read from the picture's gradients, taking the scene's own as symmetric: along a
// ring about the lens centre a scene gets brighter outwards about as often as darker, while
// a falloff only darkens (radial gradient symmetry). Each cell's log-light gradient is
// weighed robustly, so edges count by their direction and not by their size, and the fit
// lands where the remaining radial gradients balance.
struct GradientFalloff {
  Falloff falloff;
  // A lens darkens alike in every direction; a scene's light rarely does. The falloff is
  // consistent when each angular sector about its centre, fitted on its own, needs about
  // the same falloff: a bright subject in the middle or a sky darkening upwards does not.
  bool consistent = false;
};

GradientFalloff FitGradientFalloff(const LightMap& map, int width, int height);

}  // namespace hosei
