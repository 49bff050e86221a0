#include <cmath>
#include <string>
#include <vector>

#include "background_falloff.h"
#include "cell_background.h"
#include "estimate.h"
#include "field_text.h"
#include "gradient_falloff.h"
#include "light_levels.h"
#include "light_map.h"
#include "ring_levels.h"
#include "tone_mapping.h"
#include "vignetting_search.h"

namespace hosei {

namespace {

// The light map's cells along the longer side: fine enough for a falloff's curve, coarse
// enough that each cell averages many dots.
constexpr int kLightCells = 160;
// The background cells along the longer side: each holds several dozen dots of a reduced
// picture, enough for a percentile to pass over the stars. Coarser cells read a patterned
// wall's falloff too weak (by several percent in the corners on the committed brick wall)
// and let the wall's own slope pass for a moved centre. The background is the light below
// which this share of a cell's dots lie: low enough that stars and lamps covering most of
// its other dots leave it alone, high enough to stay clear of the noise.
constexpr int kBackgroundCells = 64;
constexpr double kBackgroundShare = 0.3;
// A background this close to flat under its falloff (median distance in log light) is one
// sky or one wall, and its falloff is the lens's.
constexpr double kUniformBackground = 0.12;
// A falloff leaving more than this share of the light in the farthest corner is taken for
// the scene's own shading: correcting it would change the picture more than it helps.
constexpr double kUnnoticedCornerLight = 0.94;
// A falloff darker than this in the farthest corner is more than the coefficient's range
// can lift there, and far darker than lenses darken: the scene's own darkness, such as a
// night sky around a lit subject.
constexpr double kDarkestCornerLight = 0.25;
// A centre this close to the picture's centre (in half diagonals) is the picture's centre.
constexpr double kCentreTolerance = 0.02;
// Steps of the falloff's table over the squared distance out to the farthest corner.
constexpr int kKeptSteps = 1024;

// The fields of a choice, the held ones as the user typed them.
void SetTexts(VignettingEstimate& estimate, const VignettingChoice& choice,
              const HeldFields& held) {
  const auto text = [&held](Field field, const std::string& found) {
    return held.holds(field) ? held.texts[field] : found;
  };
  estimate.start = text(Field::kStart, WholeText(choice.startPercent));
  estimate.coefficient = text(Field::kCoefficient, WholeText(choice.coefficient));
  estimate.boundary = text(Field::kBoundary, std::string(kShapeNames[choice.shape]));
  if (held.centre) estimate.centre = held.centre;
}

VignettingEstimate Weakest(VignettingBasis basis, double cornerLight, const HeldFields& held) {
  VignettingEstimate estimate;
  estimate.nothingToCorrect = true;
  estimate.basis = basis;
  SetTexts(estimate, kWeakestVignetting, held);
  estimate.cornerLight = cornerLight;
  return estimate;
}

VignettingHold HoldOf(const HeldFields& held) {
  VignettingHold hold;
  if (held.holds(Field::kBoundary)) hold.shape = held.values.shape;
  if (held.holds(Field::kStart)) hold.startFraction = held.values.startFraction;
  if (held.holds(Field::kCoefficient)) hold.coefficient = held.values.coefficient;
  return hold;
}

}  // namespace

std::optional<VignettingEstimate> EstimateVignetting(const ReducedPicture& reduced, int width,
                                                     int height, const HeldFields& held) {
  if (!MatchesSize(reduced, width, height)) return std::nullopt;
  // A uniform background shows the falloff directly. Otherwise the gradients are asked
  // for the falloff that nearly every direction about the centre needs.
  const BackgroundFalloff background =
      FitBackgroundFalloff(MakeCellBackground(reduced, width, height, kBackgroundCells,
                                              DotLight::kMeanOfChannels, kBackgroundShare),
                           width, height);
  Falloff falloff = background.falloff;
  VignettingBasis basis = VignettingBasis::kUniformBackground;
  if (background.spread > kUniformBackground) {
    const GradientFalloff gradient =
        FitGradientFalloff(MakeLightMap(reduced, width, height, kLightCells), width, height);
    if (!gradient.consistent) return Weakest(VignettingBasis::kUndecided, 1.0, held);
    falloff = gradient.falloff;
    basis = VignettingBasis::kGradients;
  }

  // The centre as the dialog's answers will give it back: whole dots, within its bounds.
  // A held centre the picture cannot take is its centre, as the correction reads it.
  std::optional<CentreAnswers> answers;
  std::optional<MovedCentre> moved;
  const double offCentre =
      std::hypot(falloff.centreX - width / 2.0, falloff.centreY - height / 2.0);
  if (const auto rule = CentreMoveRuleFor(width, height); rule && held.centre) {
    moved = CentreFromAnswers(*rule, held.centre->x, held.centre->y);
  } else if (rule && offCentre > kCentreTolerance * falloff.halfDiagonal) {
    answers = CentreAnswers{WholeText(falloff.centreX), WholeText(falloff.centreY)};
    moved = CentreFromAnswers(*rule, answers->x, answers->y);
    if (!moved) answers.reset();
  }
  falloff.centreX = moved ? moved->x : width / 2.0;
  falloff.centreY = moved ? moved->y : height / 2.0;
  const double farthest = moved ? std::sqrt(static_cast<double>(moved->farCornerDistanceSquared))
                                : std::hypot(width / 2.0, height / 2.0);
  const double cornerLight = falloff.lightKeptAtDistance(farthest);
  if (cornerLight > kUnnoticedCornerLight) return Weakest(basis, cornerLight, held);
  if (cornerLight < kDarkestCornerLight)
    return Weakest(VignettingBasis::kUndecided, cornerLight, held);

  // The light every dot would have without the falloff is the target of the correction.
  // The falloff changes slowly with the squared distance, so it is looked up there.
  const TopDownPicture& picture = reduced.picture;
  const BlockPlacement placement =
      PlaceBlocks(width, height, reduced.reduction.x, reduced.reduction.y);
  std::vector<double> keptAt(kKeptSteps + 1);
  const double farthestSquared = farthest * farthest;
  for (int step = 0; step <= kKeptSteps; ++step)
    keptAt[step] = falloff.lightKeptAtDistance(std::sqrt(farthestSquared * step / kKeptSteps));
  const auto keptBy = [&](double x, double y) {
    const double dx = x - falloff.centreX, dy = y - falloff.centreY;
    const double s = std::min(1.0, (dx * dx + dy * dy) / farthestSquared) * kKeptSteps;
    const int step = std::min(kKeptSteps - 1, static_cast<int>(s));
    return keptAt[step] + (s - step) * (keptAt[step + 1] - keptAt[step]);
  };
  std::vector<float> kept(static_cast<std::size_t>(picture.width) * picture.height);
  for (int row = 0; row < picture.height; ++row)
    for (int column = 0; column < picture.width; ++column)
      kept[static_cast<std::size_t>(row) * picture.width + column] =
          static_cast<float>(keptBy(placement.x[column], placement.y[row]));
  const auto& linear = LinearLightOfLevel();
  const RingLevels levels = GatherRingLevels(
      picture, placement, falloff.centreX, falloff.centreY, farthest,
      [&](int column, int row, int, int level) {
        const float k = kept[static_cast<std::size_t>(row) * picture.width + column];
        return std::min(1.0, static_cast<double>(linear[level]) / k);
      });
  double error = 0;
  const VignettingChoice choice = SearchVignetting(levels, error, HoldOf(held));
  if (!held.holds(Field::kCoefficient) && choice.coefficient <= kWeakestVignetting.coefficient)
    return Weakest(basis, cornerLight, held);

  VignettingEstimate estimate;
  estimate.basis = basis;
  estimate.centre = answers;
  SetTexts(estimate, choice, held);
  estimate.cornerLight = cornerLight;
  return estimate;
}

}  // namespace hosei
