#include "vignetting_search.h"

#include <algorithm>
#include <cmath>

#include "deep_corrector.h"
#include "tables.h"
#include "tone_light.h"

namespace hosei {

namespace {

// Everything about a shape and start that does not depend on the coefficient: each bin's
// transition weight.
struct Transition {
  std::array<double, RingLevels::kBins> weight{};
};

Transition TransitionFor(const RingLevels& levels, int shape, double startFraction) {
  Transition t;
  const double corner = levels.farthest;
  const double start = startFraction * corner;
  for (int bin = 0; bin < RingLevels::kBins; ++bin) {
    const double d = levels.binDistance(bin);
    t.weight[bin] =
        d <= start ? 0.0 : InterpolatedWeight(shape, (d - start) / (corner - start) * 300.0);
  }
  return t;
}

double ErrorOf(const RingLevels& levels, const Transition& transition, double coefficient) {
  const LightRows& rows = LightOfToneRows();
  constexpr int kBinsPerRing = RingLevels::kBins / RingLevels::kRings;
  double worst = 0;
  for (int ring = 0; ring < RingLevels::kRings; ++ring) {
    double light = 0, target = 0;
    for (int bin = ring * kBinsPerRing; bin < (ring + 1) * kBinsPerRing; ++bin) {
      if (levels.target[bin] <= 0) continue;
      const float amount = static_cast<float>(coefficient * transition.weight[bin]);
      target += levels.target[bin];
      if (LeavesPixelUnchanged(amount)) {
        light += levels.light[bin];
        continue;
      }
      const auto& row = rows[BrightnessRow(amount)];
      const auto& counts = levels.counts[bin];
      float sum = 0;
      for (int level = 0; level < 256; ++level) sum += counts[level] * row[level];
      light += sum;
    }
    if (target > 0) worst = std::max(worst, std::fabs(light / target - 1.0));
  }
  return worst;
}

struct Found {
  int coefficient = 1;
  double error = 0;
};

// Every ring's light grows with the coefficient, so the largest ring error first falls and
// then rises: a ternary search over the whole coefficients finds its lowest point, up to
// the flat steps the tone rows make, which a last look at the neighbours covers.
Found BestCoefficient(const RingLevels& levels, const Transition& transition) {
  int low = 1, high = 120;
  while (high - low > 4) {
    const int a = low + (high - low) / 3, b = high - (high - low) / 3;
    if (ErrorOf(levels, transition, a) <= ErrorOf(levels, transition, b))
      high = b;
    else
      low = a;
  }
  Found best{low, ErrorOf(levels, transition, low)};
  for (int c = low + 1; c <= high; ++c) {
    const double e = ErrorOf(levels, transition, c);
    if (e < best.error) best = {c, e};
  }
  return best;
}

}  // namespace

double ProfileError(const RingLevels& levels, const VignettingChoice& choice) {
  return ErrorOf(levels, TransitionFor(levels, choice.shape, choice.startPercent / 100.0),
                 choice.coefficient);
}

VignettingChoice SearchVignetting(const RingLevels& levels, double& error,
                                  const VignettingHold& hold) {
  // Unless something is held, the weakest correction stands until another does better.
  VignettingChoice best = kWeakestVignetting;
  const bool anyHeld = hold.shape || hold.startFraction || hold.coefficient;
  error = anyHeld ? -1 : ProfileError(levels, best);
  const auto tryStart = [&](int shape, int start) {
    const Transition transition =
        TransitionFor(levels, shape, hold.startFraction.value_or(start / 100.0));
    const Found found = hold.coefficient ? Found{static_cast<int>(std::lround(*hold.coefficient)),
                                                 ErrorOf(levels, transition, *hold.coefficient)}
                                         : BestCoefficient(levels, transition);
    if (error < 0 || found.error < error) {
      error = found.error;
      best = {shape, start, found.coefficient};
    }
  };
  const int firstShape = hold.shape.value_or(kSoft), lastShape = hold.shape.value_or(kSharp);
  if (hold.startFraction) {
    const int start = static_cast<int>(std::lround(*hold.startFraction * 100));
    for (int shape = firstShape; shape <= lastShape; ++shape) tryStart(shape, start);
    return best;
  }
  // Every other start first; then the neighbours of the best one.
  for (int shape = firstShape; shape <= lastShape; ++shape)
    for (int start = 1; start < 100; start += 2) tryStart(shape, start);
  const VignettingChoice coarse = best;
  for (int start = std::max(1, coarse.startPercent - 1);
       start <= std::min(99, coarse.startPercent + 1); ++start)
    tryStart(coarse.shape, start);
  return best;
}

}  // namespace hosei
