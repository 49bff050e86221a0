#include <cmath>
#include <string>

#include "cell_background.h"
#include "estimate.h"
#include "field_text.h"
#include "fog_search.h"
#include "glow_fit.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

// Background cells along the longer side, as for the vignetting's background; the
// background of a cell is the light of its darkest channel below which this share of its
// dots lie: a glow lifts every dot, so even the darkest of them show it.
constexpr int kBackgroundCells = 32;
constexpr double kBackgroundShare = 0.05;
// A glow must stand this many times above what it leaves unexplained of the background,
// lift the background by this share of it at least, and take away this share of the
// background's departure from flat, to be a glow and not the scene's own light.
constexpr double kPeakOverSpread = 4.0;
constexpr double kNoticeablePeak = 0.1;
constexpr double kLeastExplained = 0.2;
// A glow's core may leave this share of its cells unlifted (noise, and the darkest of a
// textured scene's cells under a faint glow); the scene's own light leaves more: measured,
// up to 5% under the trial glows against 14% under the dusk sky of the committed rocket.
constexpr double kMostUnlifted = 0.1;

}  // namespace

std::optional<FogEstimate> EstimateFog(const ReducedPicture& reduced, int width, int height,
                                       const HeldFields& held) {
  if (!MatchesSize(reduced, width, height)) return std::nullopt;
  const CellBackground cells = MakeCellBackground(reduced, width, height, kBackgroundCells,
                                                  DotLight::kDarkestChannel, kBackgroundShare);
  GlowFit glow = FitGlow(cells, width, height);
  // A held centre is the glow's: whether it is one, and how strong, is still the fit's.
  if (held.holds(Field::kLightX)) glow.centreX = held.values.lightX;
  if (held.holds(Field::kLightY)) glow.centreY = held.values.lightY;
  const auto text = [&held](Field field, const std::string& found) {
    return held.holds(field) ? held.texts[field] : found;
  };
  FogEstimate estimate;
  estimate.lightX = text(Field::kLightX, WholeText(glow.centreX));
  estimate.lightY = text(Field::kLightY, WholeText(glow.centreY));
  estimate.size = text(Field::kSize, WholeText(glow.radius));
  estimate.brightness = text(Field::kBrightness, WholeText(0));  // brightness 0 changes nothing
  estimate.boundary = text(Field::kBoundary, std::string(kShapeNames[kSoft]));
  const bool noticeable = glow.peak > kPeakOverSpread * glow.spread &&
                          glow.peak > kNoticeablePeak * std::max(glow.base, 0.0) &&
                          glow.explained >= kLeastExplained && glow.unlifted <= kMostUnlifted;
  FogHold hold;
  if (held.holds(Field::kBoundary)) hold.shape = held.values.shape;
  if (held.holds(Field::kSize)) hold.size = held.values.size;
  if (held.holds(Field::kBrightness)) hold.storedBrightness = held.values.brightness;
  const FogChoice choice = noticeable ? SearchFog(cells, glow, hold) : FogChoice{};
  if (!noticeable || (!hold.storedBrightness && choice.brightness == 0)) {
    estimate.nothingToCorrect = true;
    return estimate;
  }
  estimate.size = text(Field::kSize, WholeText(choice.size));
  estimate.brightness = text(Field::kBrightness, WholeText(choice.brightness));
  estimate.boundary = text(Field::kBoundary, std::string(kShapeNames[choice.shape]));
  return estimate;
}

}  // namespace hosei
