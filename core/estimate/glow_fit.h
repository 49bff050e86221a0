#pragma once

#include "cell_background.h"

namespace hosei {

// One circular glow on a background: the cells' background light taken as
// base + peak * profile(distance / radius), the profile being the soft fade the fog
// correction itself uses. Centre and radius in full-picture dots (x from 1 at the left, y
// from 1 at the bottom row); base and peak in linear light.
struct GlowFit {
  double centreX = 0;
  double centreY = 0;
  double radius = 0;
  double base = 0;
  double peak = 0;
  // The median distance of the cells from the fitted glow, in linear light: how much of
  // the background the glow leaves unexplained.
  double spread = 0;
  // The share of the background's departure from a flat one (as the fit measures it) that
  // the glow takes away: most of it for a glow on a sky, little for a bright subject.
  double explained = 0;
};

GlowFit FitGlow(const CellBackground& cells, int width, int height);

// The profile: 1 at the centre, fading to 0 at t = 1 and beyond.
double GlowProfile(double t);

}  // namespace hosei
