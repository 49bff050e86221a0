#pragma once

#include "falloff.h"
#include "light_map.h"

namespace hosei {

// A falloff read from the picture's gradients, taking the scene's own as symmetric: along a
// ring about the lens centre a scene gets brighter outwards about as often as darker, while
// a falloff only darkens (radial gradient symmetry). Each cell's log-light gradient is
// weighed robustly, so edges count by their direction and not by their size, and the fit
// lands where the remaining radial gradients balance.
//
// A lens darkens alike in every direction; a scene's light rarely does. Each angular sector
// about the centre is fitted on its own, and the falloff kept is the share of the common one
// that all sectors but one need at least: a subject lit in the middle darkens some
// directions more than others, and what only those need is left as the scene's.
struct GradientFalloff {
  Falloff falloff;
  // False when the directions do not agree on any falloff: some need none, or the scene
  // brightens outwards overall. The falloff then takes nothing away.
  bool consistent = false;
};

GradientFalloff FitGradientFalloff(const LightMap& map, int width, int height);

}  // namespace hosei
