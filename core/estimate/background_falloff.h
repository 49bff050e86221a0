#pragma once

#include "cell_background.h"
#include "falloff.h"

namespace hosei {

// A falloff read from the background alone: the falloff under which the cells' background
// light would be most nearly the same everywhere, as a flat field is. Where the background
// really is one sky or one wall (a star field, a clear sky, a copy stand) this is the
// falloff itself, to within its noise; elsewhere the spread says the background is the
// scene's own and the falloff found is not to be trusted.
struct BackgroundFalloff {
  Falloff falloff;
  // The median distance, in log light, of the cells from the flat background the falloff
  // leaves: a few hundredths for a uniform sky, tenths for a scene.
  double spread = 1.0;
};

BackgroundFalloff FitBackgroundFalloff(const CellBackground& cells, int width, int height);

}  // namespace hosei
