// The vignetting estimate against known falloffs on the committed photographs, measured by
// the radial profile of hosei's own correction against the clean photograph.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "centre_move.h"
#include "estimate_trials.h"

namespace hosei::test {
namespace {

// A uniform background (a star field's sky, a wall) shows a lens's falloff by itself; on
// these the estimate must undo most of it.
const char* const kUniformBackgrounds[] = {"hubble_deep_field.jpg", "brick.png"};

// The scene's own background is not perfectly flat: the star field's sky and the wall are a
// few percent brighter towards their corners, which a single picture cannot tell from a
// weaker falloff. The estimate stays this close to the best reachable correction.
constexpr double kGapToBest = 0.04;

TEST(VignettingQuality, UndoesMostOfAFalloffOnAUniformBackground) {
  for (const char* name : kUniformBackgrounds) {
    const TopDownPicture clean = LoadPhoto(name);
    double ratios = 0;
    int trials = 0;
    for (const LensFalloff& falloff : TrialFalloffs()) {
      const FalloffTrial t = RunFalloffTrial(clean, falloff);
      SCOPED_TRACE(std::string(name) + ", " + falloff.describe() + ": " +
                   CommandLineOptions(t.estimate));
      EXPECT_FALSE(t.estimate.nothingToCorrect);
      EXPECT_EQ(t.estimate.basis, VignettingBasis::kUniformBackground);
      EXPECT_LE(t.after, 0.25 * t.before);
      EXPECT_LE(t.after, t.best + kGapToBest);
      ratios += t.after / t.before;
      ++trials;
    }
    EXPECT_LE(ratios / trials, 0.15) << name;
  }
}

TEST(VignettingQuality, LeavesEveryCleanPhotographAlmostAsItIs) {
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const VignettingEstimate e = EstimateVignettingOf(clean);
    EXPECT_LE(
        ProfileError(CorrectVignetting(clean, e), clean, clean.width / 2.0, clean.height / 2.0),
        0.04)
        << name << ": " << CommandLineOptions(e);
  }
}

// Without a uniform background the estimate keeps only the falloff that nearly every
// direction about the centre needs, the scene's own shading adding to the rest: what it
// reaches on each committed scene, as the mean and the largest share of the falloff's
// error left over the trial falloffs. Where the scene hides the falloff (a cup brighter
// than the table around it, a dusk sky) it gives up, but never leaves the profile worse
// than the falloff did.
struct SceneCase {
  const char* photo;
  double meanLeft, mostLeft;
};

const SceneCase kScenes[] = {
    {"astronaut.jpg", 0.40, 0.70},
    {"camera.png", 0.32, 0.65},
    {"coffee.jpg", 1.02, 1.02},
    {"rocket.jpg", 1.02, 1.02},
};

TEST(VignettingQuality, UndoesTheFalloffNearlyEveryDirectionNeedsInAScene) {
  for (const SceneCase& c : kScenes) {
    const TopDownPicture clean = LoadPhoto(c.photo);
    double ratios = 0;
    int trials = 0;
    for (const LensFalloff& falloff : TrialFalloffs()) {
      const FalloffTrial t = RunFalloffTrial(clean, falloff, false);
      EXPECT_LE(t.after, c.mostLeft * t.before)
          << c.photo << ", " << falloff.describe() << ": " << CommandLineOptions(t.estimate);
      ratios += t.after / t.before;
      ++trials;
    }
    EXPECT_LE(ratios / trials, c.meanLeft) << c.photo;
  }
}

// The centre dialog counts y from the bottom row: an answer read the other way round would
// put the centre in the mirrored place.
TEST(VignettingQuality, FindsTheCentreOfAFalloffTrimmedOffCentre) {
  const TopDownPicture clean = LoadPhoto("hubble_deep_field.jpg");
  for (const LensFalloff& falloff : TrialFalloffs()) {
    if (falloff.centreX == 0.5 && falloff.centreY == 0.5) continue;
    const VignettingEstimate e = EstimateVignettingOf(Darken(clean, falloff));
    ASSERT_TRUE(e.centre) << falloff.describe();
    const auto moved =
        CentreFromAnswers(*CentreMoveRuleFor(clean.width, clean.height), e.centre->x, e.centre->y);
    ASSERT_TRUE(moved);
    EXPECT_LE(std::hypot(moved->x - falloff.centreX * clean.width,
                         moved->y - falloff.centreY * clean.height),
              0.05 * std::hypot(clean.width, clean.height))
        << falloff.describe() << ": " << CommandLineOptions(e);
  }
}

}  // namespace
}  // namespace hosei::test
