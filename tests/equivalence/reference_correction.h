#pragma once

#include <optional>

#include "moved_centre.h"
#include "parameters.h"
#include "pixel_block.h"
#include "test_bitmap.h"

namespace hosei::test {

// The correction as the pipeline defines it, pixel by pixel, with no precomputation:
// the yardstick for the fast path.
void CorrectPixelByPixel(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                         const std::optional<MovedCentre>& movedCentre);
// A bitmap file laid out as `layout`, its pixel block corrected that way.
Bytes CorrectedFile(Bytes file, const TestBitmap& layout, const Parameters& parameters,
                    const std::optional<MovedCentre>& movedCentre = std::nullopt);

}  // namespace hosei::test
