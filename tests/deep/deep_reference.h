#pragma once

#include <optional>
#include <vector>

#include "moved_centre.h"
#include "parameters.h"

namespace hosei::test {

// The deep correction written straight from its formulas, in double precision, pixel by
// pixel: the yardstick for the engine. `bgr` holds fractions of full scale, rows from the
// bottom of the picture up; the result is not rounded.
std::vector<double> DeepReference(std::vector<double> bgr, int width, int height,
                                  const Parameters& parameters,
                                  const std::optional<MovedCentre>& movedCentre = std::nullopt);

}  // namespace hosei::test
