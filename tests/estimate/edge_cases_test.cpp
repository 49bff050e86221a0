// The estimates on pictures with nothing to find, on degenerate sizes, through files, and
// as lines to paste back into hosei-cli.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "estimate_trials.h"
#include "parameters.h"

namespace hosei::test {
namespace {

struct Blank {
  const char* what;
  int width, height;
  std::function<int(int, int)> level;
  bool flat = true;  // no glow either; brighter corners are glows of a kind
};

// A little noise, so that a flat picture is not flat only by construction.
int Grain(int column, int row) { return static_cast<int>((column * 7919 + row * 104729) % 5) - 2; }

const std::vector<Blank>& Blanks() {
  static const std::vector<Blank> blanks = {
      {"flat grey", 600, 400, [](int c, int r) { return 128 + Grain(c, r); }},
      {"all black", 600, 400, [](int, int) { return 0; }},
      {"saturated white", 600, 400, [](int, int) { return 255; }},
      {"one dot", 1, 1, [](int, int) { return 90; }},
      {"3 x 10000", 3, 10000, [](int c, int r) { return 60 + Grain(c, r); }},
      {"10000 x 3", 10000, 3, [](int c, int r) { return 60 + Grain(c, r); }},
      // Brighter towards the corners: correcting it "darker at the edges" would be wrong
      // twice over.
      {"brighter at the edges", 600, 400,
       [](int c, int r) {
         const double d = std::hypot(c - 300.0, r - 200.0) / std::hypot(300.0, 200.0);
         return static_cast<int>(90 + 100 * d * d) + Grain(c, r);
       },
       false},
  };
  return blanks;
}

TEST(EdgeCases, NothingToCorrectGivesTheWeakestCorrection) {
  for (const Blank& b : Blanks()) {
    const TopDownPicture picture = GreyPicture(b.width, b.height, b.level);
    const VignettingEstimate v = EstimateVignettingOf(picture);
    EXPECT_TRUE(v.nothingToCorrect) << b.what << ": " << CommandLineOptions(v);
    EXPECT_EQ(CommandLineOptions(v), "--mode vignetting --start 99 --coefficient 1 --boundary Soft")
        << b.what;
    const FogEstimate f = EstimateFogOf(picture);
    if (b.flat) {
      EXPECT_TRUE(f.nothingToCorrect) << b.what << ": " << CommandLineOptions(f);
      EXPECT_EQ(f.brightness, "0") << b.what;
    }
    // Whatever is estimated, the fields take it.
    FieldTexts vignettingFields, fogFields;
    ApplyEstimate(v, vignettingFields);
    EXPECT_TRUE(std::holds_alternative<Parameters>(ReadParameters(vignettingFields))) << b.what;
    ApplyEstimate(f, fogFields);
    EXPECT_TRUE(std::holds_alternative<Parameters>(ReadParameters(fogFields))) << b.what;
  }
}

TEST(EdgeCases, AFalloffOnAFlatWallIsUndoneAlmostAsWellAsTheModelCan) {
  const TopDownPicture wall = GreyPicture(600, 400, [](int c, int r) { return 150 + Grain(c, r); });
  for (const LensFalloff& falloff : TrialFalloffs()) {
    const FalloffTrial t = RunFalloffTrial(wall, falloff);
    EXPECT_LE(t.after, t.best + 0.03)
        << falloff.describe() << ": " << CommandLineOptions(t.estimate);
    EXPECT_LE(t.after, 0.2 * t.before) << falloff.describe();
  }
}

TEST(EdgeCases, SamePictureSameTexts) {
  const TopDownPicture clean = LoadPhoto("hubble_deep_field.jpg");
  const TopDownPicture darkened = Darken(clean, TrialFalloffs()[3]);
  const Glow glow = TrialGlows(clean.width, clean.height)[1];
  EXPECT_EQ(CommandLineOptions(EstimateVignettingOf(darkened)),
            CommandLineOptions(EstimateVignettingOf(darkened)));
  EXPECT_EQ(CommandLineOptions(EstimateFogOf(AddGlow(clean, glow))),
            CommandLineOptions(EstimateFogOf(AddGlow(clean, glow))));
}

TEST(EdgeCases, AFileGivesWhatItsPictureGives) {
  for (const std::string& name : {std::string("coffee.jpg"), std::string("camera.png")}) {
    const TopDownPicture picture = LoadPhoto(name);
    EstimateResult vignetting, fog;
    ASSERT_FALSE(EstimateFromFile((PhotoFolder() / name).string(), Mode::kVignetting, vignetting));
    ASSERT_FALSE(EstimateFromFile((PhotoFolder() / name).string(), Mode::kFog, fog));
    ASSERT_TRUE(vignetting.vignetting && !vignetting.fog && fog.fog && !fog.vignetting) << name;
    EXPECT_EQ(CommandLineOptions(*vignetting.vignetting),
              CommandLineOptions(EstimateVignettingOf(picture)));
    EXPECT_EQ(CommandLineOptions(*fog.fog), CommandLineOptions(EstimateFogOf(picture)));
  }
  EstimateResult result;
  EXPECT_FALSE(EstimateFromFile((PhotoFolder() / "rocket.jpg").string(), Mode::kGamma, result));
  EXPECT_FALSE(result.vignetting || result.fog);
  EXPECT_TRUE(EstimateFromFile((PhotoFolder() / "missing.jpg").string(), Mode::kFog, result));
}

TEST(EdgeCases, AReductionOfAnotherSizeIsRefused) {
  const TopDownPicture picture = GreyPicture(40, 30, [](int, int) { return 100; });
  const ReducedPicture reduced = ReduceForEstimate(picture);
  EXPECT_TRUE(EstimateVignetting(reduced, 40, 30));
  EXPECT_FALSE(EstimateVignetting(reduced, 41, 30));
  EXPECT_FALSE(EstimateFog(reduced, 40, 300));
  EXPECT_FALSE(EstimateFog(reduced, 0, 0));
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The printed options, pasted into hosei-cli, set the same fields and centre.
TEST(EdgeCases, PrintedOptionsReadBackAsTheEstimate) {
  const TopDownPicture clean = LoadPhoto("hubble_deep_field.jpg");
  const VignettingEstimate v = EstimateVignettingOf(Darken(clean, TrialFalloffs()[3]));
  const FogEstimate f = EstimateFogOf(AddGlow(clean, TrialGlows(clean.width, clean.height)[2]));
  ASSERT_TRUE(v.centre);
  ASSERT_FALSE(f.nothingToCorrect);
  std::string error;
  auto words = Words(CommandLineOptions(v));
  words.push_back("photo.jpg");
  const auto vignetting = ParseCommandLine(words, error);
  ASSERT_TRUE(vignetting) << error;
  FieldTexts expected;
  ApplyEstimate(v, expected);
  EXPECT_EQ(vignetting->fields.mode, Mode::kVignetting);
  EXPECT_EQ(vignetting->fields.text, expected.text);
  ASSERT_TRUE(vignetting->centre);
  EXPECT_EQ(vignetting->centre->x, v.centre->x);
  EXPECT_EQ(vignetting->centre->y, v.centre->y);

  words = Words(CommandLineOptions(f));
  words.push_back("photo.jpg");
  const auto fog = ParseCommandLine(words, error);
  ASSERT_TRUE(fog) << error;
  expected = FieldTexts();
  ApplyEstimate(f, expected);
  EXPECT_EQ(fog->fields.mode, Mode::kFog);
  EXPECT_EQ(fog->fields.text, expected.text);
}

}  // namespace
}  // namespace hosei::test
