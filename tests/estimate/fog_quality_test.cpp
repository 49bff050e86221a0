// The fog estimate against known glows added to the committed photographs.

#include <gtest/gtest.h>

#include <string>

#include "estimate_trials.h"

namespace hosei::test {
namespace {

struct GlowCase {
  const char* photo;
  int glow;    // which of TrialGlows
  bool found;  // the glow stands out enough to be corrected, not taken for the scene
};

// Every glow on the star field and the wall; on busy photographs the strong and medium
// ones (the faint dome low on the right is lost in their scenes).
const GlowCase kCases[] = {
    {"hubble_deep_field.jpg", 0, true},
    {"hubble_deep_field.jpg", 1, true},
    {"hubble_deep_field.jpg", 2, true},
    {"brick.png", 0, true},
    {"brick.png", 1, true},
    {"brick.png", 2, false},
    {"astronaut.jpg", 0, true},
    {"astronaut.jpg", 1, false},
    {"coffee.jpg", 0, true},
    {"coffee.jpg", 1, true},
    {"rocket.jpg", 0, true},
    {"rocket.jpg", 1, true},
};

TEST(FogQuality, PlacesTheCentreWithinAFewPercentOfTheDiagonal) {
  for (const GlowCase& c : kCases) {
    const TopDownPicture clean = LoadPhoto(c.photo);
    const Glow glow = TrialGlows(clean.width, clean.height)[c.glow];
    const FogTrial t = RunFogTrial(clean, glow);
    SCOPED_TRACE(std::string(c.photo) + ", " + glow.describe() + ": " +
                 CommandLineOptions(t.estimate));
    EXPECT_LE(t.centreError, 0.05);
    if (c.found) {
      EXPECT_FALSE(t.estimate.nothingToCorrect);
      EXPECT_LT(t.after, t.before);
    }
  }
}

// A clean photograph's own light (a dusk sky, a galaxy at the edge of a star field) is no
// glow: correcting it would darken the scene itself.
TEST(FogQuality, LeavesEveryCleanPhotographAlmostAsItIs) {
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const FogEstimate e = EstimateFogOf(clean);
    EXPECT_LE(ProfileError(CorrectFog(clean, e), clean, std::stod(e.lightX), std::stod(e.lightY)),
              0.04)
        << name << ": " << CommandLineOptions(e);
  }
}

}  // namespace
}  // namespace hosei::test
