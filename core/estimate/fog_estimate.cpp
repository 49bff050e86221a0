#include <cmath>
#include <string>

#include "cell_background.h"
#include "estimate.h"
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

std::string WholeText(double value) { return std::to_string(std::lround(value)); }

}  // namespace

std::optional<FogEstimate> EstimateFog(const ReducedPicture& reduced, int width, int height) {
  if (!MatchesSize(reduced, width, height)) return std::nullopt;
  const CellBackground cells = MakeCellBackground(reduced, width, height, kBackgroundCells,
                                                  DotLight::kDarkestChannel, kBackgroundShare);
  const GlowFit glow = FitGlow(cells, width, height);
  FogEstimate estimate;
  estimate.lightX = WholeText(glow.centreX);
  estimate.lightY = WholeText(glow.centreY);
  estimate.size = WholeText(glow.radius);
  estimate.brightness = WholeText(0);  // brightness 0 changes nothing
  estimate.boundary = std::string(kShapeNames[kSoft]);
  const bool noticeable = glow.peak > kPeakOverSpread * glow.spread &&
                          glow.peak > kNoticeablePeak * std::max(glow.base, 0.0) &&
                          glow.explained >= kLeastExplained;
  const FogChoice choice = noticeable ? SearchFog(cells, glow) : FogChoice{};
  if (choice.brightness == 0) {
    estimate.nothingToCorrect = true;
    return estimate;
  }
  estimate.size = WholeText(choice.size);
  estimate.brightness = WholeText(choice.brightness);
  estimate.boundary = std::string(kShapeNames[choice.shape]);
  return estimate;
}

}  // namespace hosei
