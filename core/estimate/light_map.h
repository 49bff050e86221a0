#pragma once

#include "cell_map.h"

namespace hosei {

// A reduced picture averaged once more into cells, as linear light: the mean over a cell's
// dots and channels is no longer held to whole levels, so a dark sky's slow falloff
// survives in it. A cell with a clipped channel, or too dark to measure, is unusable.
using LightMap = CellMap;

LightMap MakeLightMap(const ReducedPicture& reduced, int width, int height, int cellsOnLongSide);

}  // namespace hosei
