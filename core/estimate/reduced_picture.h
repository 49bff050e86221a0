#pragma once

#include <vector>

#include "file_error.h"
#include "picture_preview.h"
#include "picture_reader.h"

namespace hosei {

// A picture read reduced for an estimate, with how many of the full picture's dots each of
// its dots stands for along each axis.
struct ReducedPicture {
  TopDownPicture picture;
  Reduction reduction;
};

// The size an estimate reads pictures at: a falloff or a glow changes slowly across the
// picture, so a few hundred dots a side show it, and reading stays the slow step.
inline constexpr PictureSize kEstimateReading{480, 480};

// Reads the whole picture, reduced while it streams, as the estimate wants it.
FileError ReadForEstimate(PictureReader& reader, ReducedPicture& reduced);

// True when `reduced` is what reading a width x height picture gives.
bool MatchesSize(const ReducedPicture& reduced, int width, int height);

// Where blocks of dots lie in the full picture, in the corrections' coordinates: x counts
// from 1 at the left edge, y from 1 at the bottom row, and a block stands at the mean
// position of the dots it covers (blocks at the right and bottom edges being cut short).
struct BlockPlacement {
  std::vector<double> x;  // per block column, left to right
  std::vector<double> y;  // per block row, top row first
};

// Blocks of blockWidth x blockHeight full dots over a width x height picture.
BlockPlacement PlaceBlocks(int width, int height, int blockWidth, int blockHeight);

}  // namespace hosei
