#pragma once

#include "cell_map.h"

namespace hosei {

// Which light of a dot the background is taken from: the mean of its channels, or its
// darkest channel (the dark channel of haze removal: a white glow or haze lifts every
// channel, while the scene's colours leave one channel low).
enum class DotLight { kMeanOfChannels, kDarkestChannel };

// The background light of a picture in coarse cells: a low percentile of the linear light
// of each cell's dots, the given share of them being darker. Stars, lamps and edges are few in any
// cell and fall above it, so what remains is the sky, the wall, the glow: the light the
// scene's objects stand on. A cell too dark to measure is unusable.
using CellBackground = CellMap;

CellBackground MakeCellBackground(const ReducedPicture& reduced, int width, int height,
                                  int cellsOnLongSide, DotLight light, double share);

}  // namespace hosei
