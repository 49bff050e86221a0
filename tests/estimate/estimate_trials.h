#pragma once

// Known falloffs and glows put on real photographs, the estimate run on the result as on a
// file, and the radial profile that measures how well its correction undoes them.

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "estimate.h"
#include "picture_preview.h"
#include "reduced_picture.h"
#include "vignetting_search.h"

namespace hosei::test {

// The committed photographs, tests/data/photos.
std::filesystem::path PhotoFolder();
std::vector<std::string> PhotoNames();
// A photo at full size, read through hosei's own readers.
TopDownPicture LoadPhoto(const std::string& name);
TopDownPicture CopyOf(const TopDownPicture& picture);

// A lens falloff: linear light divided by f(r) = 1 + k1 r² + k2 r⁴ + k3 r⁶, r being the
// distance from its centre over the picture's half diagonal; the centre as fractions of
// the width from the left and of the height from the bottom.
struct LensFalloff {
  double k1 = 0, k2 = 0, k3 = 0;
  double centreX = 0.5, centreY = 0.5;
  double cornerLight() const { return 1.0 / (1.0 + k1 + k2 + k3); }  // at r = 1
  std::string describe() const;
};
TopDownPicture Darken(const TopDownPicture& clean, const LensFalloff& falloff);

// A glow added to the linear light: peak * (1 - (d / radius)²)² inside the radius, the
// centre and radius in dots (x from 1 at the left, y from 1 at the bottom row).
struct Glow {
  double centreX = 0, centreY = 0, radius = 0, peak = 0;
  std::string describe() const;
};
TopDownPicture AddGlow(const TopDownPicture& clean, const Glow& glow);

// A grey picture whose level at each dot (column, row from the top) `level` gives.
TopDownPicture GreyPicture(int width, int height, const std::function<int(int, int)>& level);

// The picture streamed through ReadForEstimate, as a file of it would be read.
ReducedPicture ReduceForEstimate(const TopDownPicture& picture);

// The estimates as a file would give them: the picture streamed through ReadForEstimate.
VignettingEstimate EstimateVignettingOf(const TopDownPicture& picture);
FogEstimate EstimateFogOf(const TopDownPicture& picture);

// The picture corrected by hosei's byte path with the vignetting the texts give.
TopDownPicture CorrectVignetting(const TopDownPicture& picture, const std::string& start,
                                 const std::string& coefficient, const std::string& boundary,
                                 const std::optional<CentreAnswers>& centre);
TopDownPicture CorrectVignetting(const TopDownPicture& picture, const VignettingEstimate& e);

// The mean linear light of ten equal rings around a point (in dots, as the glow's), out to
// the farthest corner; and the largest relative difference between two such profiles.
std::array<double, 10> RingProfile(const TopDownPicture& picture, double centreX, double centreY);
double ProfileError(const TopDownPicture& picture, const TopDownPicture& reference, double centreX,
                    double centreY);

// The best vignetting correction the fields can give, found by searching against the clean
// picture itself, centred on the picture's centre or on the falloff's own.
struct Reachable {
  VignettingChoice choice;
  std::optional<CentreAnswers> centre;
  double error = 0;
};
Reachable BestReachable(const TopDownPicture& darkened, const TopDownPicture& clean,
                        const LensFalloff& falloff);

// One falloff trial: errors of the darkened picture, of its correction by the estimate and
// of the best reachable correction, all against the clean photograph.
struct FalloffTrial {
  double before = 0, after = 0, best = 0;
  VignettingEstimate estimate;
};
FalloffTrial RunFalloffTrial(const TopDownPicture& clean, const LensFalloff& falloff,
                             bool withBest = true);

// One glow trial: how far the estimated centre lies from the glow's, over the picture's
// diagonal, and the profile errors around the glow's centre of the picture with the glow
// and of its correction by the estimate, against the clean photograph.
struct FogTrial {
  double centreError = 0, before = 0, after = 0;
  FogEstimate estimate;
};
FogTrial RunFogTrial(const TopDownPicture& clean, const Glow& glow);
TopDownPicture CorrectFog(const TopDownPicture& picture, const FogEstimate& e);

// The falloffs every photograph is given.
std::vector<LensFalloff> TrialFalloffs();
// The glows every photograph is given, for its size.
std::vector<Glow> TrialGlows(int width, int height);

}  // namespace hosei::test
