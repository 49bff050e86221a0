// Measures how well the estimated corrections undo known falloffs and glows put on the
// committed photographs, and prints the tables of bench/ESTIMATE.md.
//
//   hosei-estimate-quality > bench/ESTIMATE.md
//   hosei-estimate-quality --time FILE...   times each estimate from the file, reading included

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "estimate_trials.h"
#include "problem_words.h"

using namespace hosei;
using namespace hosei::test;

namespace {

// Appended rather than concatenated: GCC 12 warns falsely (-Wrestrict) about a literal
// plus a string.
template <typename Estimate>
std::string Options(const Estimate& e) {
  if (e.nothingToCorrect) return "nothing to correct";
  std::string text = "`";
  text += CommandLineOptions(e);
  text += '`';
  return text;
}

// The median of five runs of each estimate from the file, reading included.
int Time(int count, char** files) {
  for (int i = 0; i < count; ++i)
    for (const Mode mode : {Mode::kVignetting, Mode::kFog}) {
      std::vector<double> seconds;
      EstimateResult result;
      for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (FileError error = EstimateFromFile(files[i], mode, result)) {
          std::fprintf(stderr, "%s\n", FileErrorLine(error).c_str());
          return 1;
        }
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      }
      std::sort(seconds.begin(), seconds.end());
      std::printf("%s, %s: median %.0f ms (min %.0f, max %.0f): %s\n", files[i],
                  mode == Mode::kVignetting ? "vignetting" : "fog", seconds[2] * 1000,
                  seconds[0] * 1000, seconds[4] * 1000,
                  mode == Mode::kVignetting ? Options(*result.vignetting).c_str()
                                            : CommandLineOptions(*result.fog).c_str());
    }
  return 0;
}

}  // namespace

// Sums of after / before and the worst cases, over a group of falloff trials.
struct Summary {
  double ratios = 0, worstRatio = 0, worstGap = -1;
  int trials = 0;
  void add(const FalloffTrial& t) {
    ratios += t.after / t.before;
    worstRatio = std::max(worstRatio, t.after / t.before);
    worstGap = std::max(worstGap, t.after - t.best);
    ++trials;
  }
  void print(const char* group) const {
    std::printf("| %s | %d | %.2f | %.2f | %.3f |\n", group, trials, ratios / trials, worstRatio,
                worstGap);
  }
};

const char* const kIntroduction = R"(# Estimate quality

Printed by `hosei-estimate-quality` (built with the tests, `tests/estimate/`), from the
photographs in `tests/data/photos/` (see the README there for their sources). Every number
is measured, nothing tuned per picture.

**Falloffs.** Each photograph is darkened by a known lens falloff: its linear light (the
stored levels through the sRGB curve) is divided by f(r) = 1 + k1 r² + k2 r⁴ + k3 r⁶, r
being the distance from the falloff's centre over the picture's half diagonal, and stored
again. "corner" is 1/f(1), the light left at r = 1; a falloff "centre at 0.38 W, 0.60 H" is
centred off the picture's centre as in a trimmed photo (x from the left, y from the
bottom), and darkens its far corners more than that.

**Errors.** The radial profile is the mean linear light of ten equal rings around the
falloff's centre, out to the farthest corner. An error is the largest relative difference
of a profile from the clean photograph's, over the ten rings: *before* for the darkened
picture, *after* for the darkened picture corrected by hosei's byte path (PixelCorrector)
with the estimated fields, *best reachable* for the same correction with the fields found
by searching every shape, start and coefficient against the clean photograph itself
(centred on the picture's centre or on the falloff's own).

**The estimate** reads the picture reduced as it streams (`ReadForEstimate`). Where the
background (a low percentile of each cell's light) is one sky or one wall, it reads the
falloff from it; elsewhere it asks the picture's gradients (radial gradient symmetry) and
keeps only as much falloff as all directions about the centre but one need, leaving what
the others need more to the scene. The fields are then the
ones whose correction brings the reduced picture's ring profile closest to the picture
without the estimated falloff. When the scene's own light hides any falloff the estimate
corrects nothing rather than guess ("nothing to correct").
)";

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--time") == 0) return Time(argc - 2, argv + 2);
  std::printf("%s\n## Vignetting\n\n", kIntroduction);
  std::printf("| picture | falloff | error before | error after | best reachable | estimate |\n");
  std::printf("| --- | --- | ---: | ---: | ---: | --- |\n");
  Summary all, uniform, corrected;
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    for (const LensFalloff& falloff : TrialFalloffs()) {
      const FalloffTrial t = RunFalloffTrial(clean, falloff);
      std::printf("| %s | %s | %.3f | %.3f | %.3f | %s |\n", name.c_str(),
                  falloff.describe().c_str(), t.before, t.after, t.best,
                  Options(t.estimate).c_str());
      std::fflush(stdout);
      all.add(t);
      if (t.estimate.basis == VignettingBasis::kUniformBackground) uniform.add(t);
      if (!t.estimate.nothingToCorrect) corrected.add(t);
    }
  }
  std::printf(
      "\n| trials | count | mean after / before | worst after / before | worst after - best |\n");
  std::printf("| --- | ---: | ---: | ---: | ---: |\n");
  all.print("all");
  corrected.print("corrected (not \"nothing to correct\")");
  uniform.print("read from a uniform background");

  std::printf(
      "\n### The clean photographs\n\nThe estimate on each photograph as it is, and how "
      "far its correction moves the profile (around the picture's centre).\n\n");
  std::printf("| picture | estimate | profile change |\n");
  std::printf("| --- | --- | ---: |\n");
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const VignettingEstimate e = EstimateVignettingOf(clean);
    const double change =
        ProfileError(CorrectVignetting(clean, e), clean, clean.width / 2.0, clean.height / 2.0);
    std::printf("| %s | %s | %.3f |\n", name.c_str(), Options(e).c_str(), change);
  }

  std::printf(
      "\n## Fog\n\nA glow added to the linear light: peak (1 - (d / radius)²)² inside the "
      "radius, centre and radius in dots (y from the bottom), peak in linear light. The "
      "centre error is the distance of the estimated centre from the glow's over the "
      "picture's diagonal; the profile errors are taken around the glow's centre as above. "
      "The estimate fits one round glow to the lower envelope of the background and corrects "
      "it only when it lifts nearly every cell of its middle, as added light does: the "
      "scene's own light, such as a dusk sky behind dark towers, leaves them dark.\n\n");
  std::printf(
      "| picture | glow | centre error / diagonal | error before | error after | estimate |\n");
  std::printf("| --- | --- | ---: | ---: | ---: | --- |\n");
  int within = 0, glows = 0;
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    for (const Glow& glow : TrialGlows(clean.width, clean.height)) {
      const FogTrial t = RunFogTrial(clean, glow);
      std::printf("| %s | %s | %.3f | %.3f | %.3f | %s |\n", name.c_str(), glow.describe().c_str(),
                  t.centreError, t.before, t.after, Options(t.estimate).c_str());
      std::fflush(stdout);
      within += t.centreError <= 0.05;
      ++glows;
    }
  }
  std::printf("\nCentre within 5%% of the diagonal: %d of %d glows.\n", within, glows);

  std::printf("\n### The clean photographs\n\n");
  std::printf("| picture | fog estimate | profile change (around its centre) |\n");
  std::printf("| --- | --- | ---: |\n");
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const FogEstimate e = EstimateFogOf(clean);
    const double change =
        ProfileError(CorrectFog(clean, e), clean, std::stod(e.lightX), std::stod(e.lightY));
    std::printf("| %s | %s | %.3f |\n", name.c_str(), Options(e).c_str(), change);
  }
  return 0;
}
