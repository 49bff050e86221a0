#pragma once

#include <optional>

#include "moved_centre.h"
#include "parameters.h"
#include "pixel_block.h"

namespace hosei::test {

// The correction as the pipeline defines it, pixel by pixel, with no precomputation:
// the yardstick for the fast path.
void CorrectPixelByPixel(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                         const std::optional<MovedCentre>& movedCentre);

}  // namespace hosei::test
