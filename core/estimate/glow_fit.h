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
  // The share of the cells in the glow's core (where it gives half its peak or more) that
  // it does not lift by half its light there, over the fitted base or over black when the
  // base lies below it. A glow lifts everything under it; the scene's own light, such as a
  // dusk sky behind dark towers, leaves what stands in front of it dark. 1 when the core
  // holds too few cells to tell: a glow's fading edge alone is any slope of the scene.
  double unlifted = 1;
};

GlowFit FitGlow(const CellBackground& cells, int width, int height);

// The profile: 1 at the centre, fading to 0 at t = 1 and beyond.
double GlowProfile(double t);

}  // namespace hosei
