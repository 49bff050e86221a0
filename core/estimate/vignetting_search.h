#pragma once

#include <optional>

#include "ring_levels.h"
#include "tone_mapping.h"

namespace hosei {

// A vignetting correction as its fields give it: boundary shape, start in percent of the
// corner distance, coefficient.
struct VignettingChoice {
  int shape = kSoft;
  int startPercent = 99;
  int coefficient = 1;
};

// The weakest correction the fields allow: it starts at the last percent and lifts the
// corners by under one tone step.
inline constexpr VignettingChoice kWeakestVignetting{kSoft, 99, 1};

// The largest relative error, over the profile's rings, between the light the correction
// gives the levels and their target light. The correction is centred on the levels'
// centre and reaches its full strength at their farthest distance, as the byte path does it.
double ProfileError(const RingLevels& levels, const VignettingChoice& choice);

// What the user fixed of a vignetting correction; the search keeps it and looks only for
// the rest.
struct VignettingHold {
  std::optional<int> shape;
  std::optional<double> startFraction;  // as the start field is read, 0 < f < 1
  std::optional<double> coefficient;
};

// The choice with the smallest profile error, searched over every shape, start and
// coefficient that `hold` leaves free; `error` receives that error. A held start or
// coefficient is not a whole percent or number in the returned choice: its caller keeps
// the texts the user typed.
VignettingChoice SearchVignetting(const RingLevels& levels, double& error,
                                  const VignettingHold& hold = {});

}  // namespace hosei
