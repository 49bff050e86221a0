#pragma once

#include <functional>
#include <optional>

#include "moved_centre.h"
#include "parameters.h"
#include "pixel_block.h"

namespace hosei {

inline constexpr int kProgressInterval = 40;

// Called after every 40th stored row, in row order, with the row number (1-based).
using RowProgress = std::function<void(int row)>;

// Corrects every pixel of the block in place: the mode's change, then the background
// adjustment when it is on. Padding bytes are left alone. In gamma mode row 0 of the tone
// table must already hold the curve for parameters.gamma.
void CorrectPixelBlock(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                       const std::optional<MovedCentre>& movedCentre, const RowProgress& progress);

}  // namespace hosei
