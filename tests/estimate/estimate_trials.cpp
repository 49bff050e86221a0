#include "estimate_trials.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "centre_move.h"
#include "light_levels.h"
#include "parameters.h"
#include "picture_reader.h"
#include "pixel_corrector.h"
#include "reduced_picture.h"
#include "ring_levels.h"

namespace hosei::test {

namespace {

// Serves a held picture as a file's reader would, top row first.
class HeldPictureReader : public PictureReader {
 public:
  explicit HeldPictureReader(const TopDownPicture& picture) : picture_(picture) {}
  int width() const override { return picture_.width; }
  int height() const override { return picture_.height; }
  RowOrder rowOrder() const override { return RowOrder::kTopDown; }
  bool hasAlpha() const override { return false; }
  FileError readRows(int count, std::uint8_t* bgr, std::size_t stride, std::uint8_t*,
                     std::size_t) override {
    if (count > picture_.height - next_) return FileError{FileProblem::kReadFailed, "held", {}};
    for (int r = 0; r < count; ++r, ++next_)
      std::copy_n(picture_.row(next_), 3 * static_cast<std::size_t>(picture_.width),
                  bgr + r * stride);
    return {};
  }

 private:
  const TopDownPicture& picture_;
  int next_ = 0;
};

// Linear light back to the nearest stored level, through a fine table.
class LevelOfLight {
 public:
  LevelOfLight() {
    for (int i = 0; i < kSteps; ++i) {
      const double light = i / (kSteps - 1.0);
      const double v =
          light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
      level_[i] = static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    }
  }
  std::uint8_t operator()(double light) const {
    return level_[static_cast<std::size_t>(
        std::lround(std::clamp(light, 0.0, 1.0) * (kSteps - 1)))];
  }

 private:
  static constexpr int kSteps = 1 << 18;
  std::vector<std::uint8_t> level_ = std::vector<std::uint8_t>(kSteps);
};

const LevelOfLight& ToLevel() {
  static const LevelOfLight table;
  return table;
}

// Each dot's light scaled by `scale(x, y)` and raised by `add(x, y)`, x and y in dots from
// the left and the bottom.
template <typename Change>
TopDownPicture ChangeLight(const TopDownPicture& clean, Change change) {
  TopDownPicture result = CopyOf(clean);
  const auto& linear = LinearLightOfLevel();
  for (int row = 0; row < clean.height; ++row) {
    std::uint8_t* dot = result.row(row);
    const int y = clean.height - row;
    for (int column = 0; column < clean.width; ++column, dot += 3) {
      const auto [scale, add] = change(column + 1, y);
      for (int c = 0; c < 3; ++c) dot[c] = ToLevel()(linear[dot[c]] * scale + add);
    }
  }
  return result;
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

TopDownPicture Corrected(const TopDownPicture& picture, const FieldTexts& fields,
                         const std::optional<MovedCentre>& moved) {
  const auto read = ReadParameters(fields);
  if (!std::holds_alternative<Parameters>(read)) throw std::runtime_error("refused parameters");
  TopDownPicture result = CopyOf(picture);
  PixelCorrector corrector(std::get<Parameters>(read), picture.width, picture.height, moved);
  // The corrector counts stored rows from the bottom; this buffer holds the top row first.
  corrector.correctRows(result.row(picture.height - 1), -static_cast<std::ptrdiff_t>(result.stride),
                        0, picture.height);
  return result;
}

}  // namespace

std::filesystem::path PhotoFolder() { return HOSEI_TEST_PHOTOS; }

std::vector<std::string> PhotoNames() {
  return {"hubble_deep_field.jpg",
          "brick.png",
          "astronaut.jpg",
          "camera.png",
          "coffee.jpg",
          "rocket.jpg"};
}

TopDownPicture LoadPhoto(const std::string& name) {
  std::unique_ptr<PictureReader> reader;
  TopDownPicture picture;
  const std::string path = (PhotoFolder() / name).string();
  if (OpenPictureReader(path, reader) ||
      ReadTopLeftRegion(*reader, {reader->width(), reader->height()}, picture))
    throw std::runtime_error("cannot read " + path);
  return picture;
}

TopDownPicture CopyOf(const TopDownPicture& picture) {
  TopDownPicture copy;
  copy.width = picture.width;
  copy.height = picture.height;
  copy.stride = picture.stride;
  const std::size_t bytes = picture.stride * static_cast<std::size_t>(picture.height);
  copy.bytes = std::make_unique<std::uint8_t[]>(bytes);
  std::copy_n(picture.bytes.get(), bytes, copy.bytes.get());
  return copy;
}

std::string LensFalloff::describe() const {
  std::string text = "corner " + Fixed(cornerLight(), 2);
  if (centreX != 0.5 || centreY != 0.5)
    text += ", centre at " + Fixed(centreX, 2) + " W, " + Fixed(centreY, 2) + " H";
  return text;
}

TopDownPicture Darken(const TopDownPicture& clean, const LensFalloff& falloff) {
  const double cx = falloff.centreX * clean.width, cy = falloff.centreY * clean.height;
  const double unit = std::hypot(clean.width, clean.height) / 2;
  return ChangeLight(clean, [&](int x, int y) {
    const double q = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (unit * unit);
    const double f = 1 + q * (falloff.k1 + q * (falloff.k2 + q * falloff.k3));
    return std::pair{1.0 / f, 0.0};
  });
}

std::string Glow::describe() const {
  return "glow at " + Fixed(centreX, 0) + "," + Fixed(centreY, 0) + " radius " + Fixed(radius, 0) +
         " peak " + Fixed(peak, 2);
}

TopDownPicture AddGlow(const TopDownPicture& clean, const Glow& glow) {
  return ChangeLight(clean, [&](int x, int y) {
    const double t = std::hypot(x - glow.centreX, y - glow.centreY) / glow.radius;
    return std::pair{1.0, t < 1 ? glow.peak * (1 - t * t) * (1 - t * t) : 0.0};
  });
}

TopDownPicture GreyPicture(int width, int height, const std::function<int(int, int)>& level) {
  TopDownPicture picture;
  picture.width = width;
  picture.height = height;
  picture.stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
  picture.bytes = std::make_unique<std::uint8_t[]>(picture.stride * height);
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column)
      std::fill_n(picture.row(row) + 3 * column, 3,
                  static_cast<std::uint8_t>(std::clamp(level(column, row), 0, 255)));
  return picture;
}

ReducedPicture ReduceForEstimate(const TopDownPicture& picture) {
  HeldPictureReader reader(picture);
  ReducedPicture reduced;
  if (ReadForEstimate(reader, reduced)) throw std::runtime_error("cannot reduce");
  return reduced;
}

VignettingEstimate EstimateVignettingOf(const TopDownPicture& picture) {
  return EstimateVignetting(ReduceForEstimate(picture), picture.width, picture.height).value();
}

FogEstimate EstimateFogOf(const TopDownPicture& picture) {
  return EstimateFog(ReduceForEstimate(picture), picture.width, picture.height).value();
}

TopDownPicture CorrectVignetting(const TopDownPicture& picture, const std::string& start,
                                 const std::string& coefficient, const std::string& boundary,
                                 const std::optional<CentreAnswers>& centre) {
  FieldTexts fields;
  fields.mode = Mode::kVignetting;
  fields[Field::kStart] = start;
  fields[Field::kCoefficient] = coefficient;
  fields[Field::kBoundary] = boundary;
  std::optional<MovedCentre> moved;
  if (centre)
    moved =
        CentreFromAnswers(*CentreMoveRuleFor(picture.width, picture.height), centre->x, centre->y);
  return Corrected(picture, fields, moved);
}

TopDownPicture CorrectFog(const TopDownPicture& picture, const FogEstimate& e) {
  FieldTexts fields;
  ApplyEstimate(e, fields);
  return Corrected(picture, fields, std::nullopt);
}

FogTrial RunFogTrial(const TopDownPicture& clean, const Glow& glow) {
  const TopDownPicture glowing = AddGlow(clean, glow);
  FogTrial trial;
  trial.estimate = EstimateFogOf(glowing);
  trial.centreError = std::hypot(std::stod(trial.estimate.lightX) - glow.centreX,
                                 std::stod(trial.estimate.lightY) - glow.centreY) /
                      std::hypot(clean.width, clean.height);
  trial.before = ProfileError(glowing, clean, glow.centreX, glow.centreY);
  trial.after =
      ProfileError(CorrectFog(glowing, trial.estimate), clean, glow.centreX, glow.centreY);
  return trial;
}

TopDownPicture CorrectVignetting(const TopDownPicture& picture, const VignettingEstimate& e) {
  return CorrectVignetting(picture, e.start, e.coefficient, e.boundary, e.centre);
}

std::array<double, 10> RingProfile(const TopDownPicture& picture, double centreX, double centreY) {
  const double farthest = std::hypot(std::max(centreX, picture.width - centreX),
                                     std::max(centreY, picture.height - centreY));
  std::array<double, 10> light{}, count{};
  const auto& linear = LinearLightOfLevel();
  for (int row = 0; row < picture.height; ++row) {
    const std::uint8_t* dot = picture.row(row);
    const int y = picture.height - row;
    for (int column = 0; column < picture.width; ++column, dot += 3) {
      const double d = std::hypot(column + 1 - centreX, y - centreY);
      const int ring = std::min(9, static_cast<int>(d / farthest * 10));
      light[ring] += linear[dot[0]] + linear[dot[1]] + linear[dot[2]];
      count[ring] += 3;
    }
  }
  for (int ring = 0; ring < 10; ++ring) light[ring] /= std::max(count[ring], 1.0);
  return light;
}

double ProfileError(const TopDownPicture& picture, const TopDownPicture& reference, double centreX,
                    double centreY) {
  const auto a = RingProfile(picture, centreX, centreY);
  const auto b = RingProfile(reference, centreX, centreY);
  double worst = 0;
  for (int ring = 0; ring < 10; ++ring)
    if (b[ring] > 0) worst = std::max(worst, std::fabs(a[ring] / b[ring] - 1));
  return worst;
}

Reachable BestReachable(const TopDownPicture& darkened, const TopDownPicture& clean,
                        const LensFalloff& falloff) {
  const int width = clean.width, height = clean.height;
  const double cx = falloff.centreX * width, cy = falloff.centreY * height;
  std::vector<std::optional<CentreAnswers>> centres = {std::nullopt};
  const auto rule = CentreMoveRuleFor(width, height);
  if (rule && (falloff.centreX != 0.5 || falloff.centreY != 0.5))
    centres.push_back(
        CentreAnswers{std::to_string(std::lround(cx)), std::to_string(std::lround(cy))});
  const auto& linear = LinearLightOfLevel();
  Reachable best;
  best.error = 1e9;
  for (const auto& centre : centres) {
    std::optional<MovedCentre> moved;
    if (centre) moved = CentreFromAnswers(*rule, centre->x, centre->y);
    const double x = moved ? moved->x : width / 2.0, y = moved ? moved->y : height / 2.0;
    const double farthest = moved ? std::sqrt(double{moved->farCornerDistanceSquared})
                                  : std::hypot(width / 2.0, height / 2.0);
    const RingLevels levels =
        GatherRingLevels(darkened, PlaceBlocks(width, height, 1, 1), x, y, farthest,
                         [&](int column, int row, int channel, int) {
                           return double{linear[clean.row(row)[3 * column + channel]]};
                         });
    double searched = 0;
    const VignettingChoice choice = SearchVignetting(levels, searched);
    const TopDownPicture corrected = CorrectVignetting(
        darkened, std::to_string(choice.startPercent), std::to_string(choice.coefficient),
        std::string(kShapeNames[choice.shape]), moved ? centre : std::nullopt);
    const double error = ProfileError(corrected, clean, cx, cy);
    if (error < best.error) best = {choice, moved ? centre : std::nullopt, error};
  }
  return best;
}

FalloffTrial RunFalloffTrial(const TopDownPicture& clean, const LensFalloff& falloff,
                             bool withBest) {
  const double cx = falloff.centreX * clean.width, cy = falloff.centreY * clean.height;
  const TopDownPicture darkened = Darken(clean, falloff);
  FalloffTrial trial;
  trial.before = ProfileError(darkened, clean, cx, cy);
  trial.estimate = EstimateVignettingOf(darkened);
  trial.after = ProfileError(CorrectVignetting(darkened, trial.estimate), clean, cx, cy);
  if (withBest) trial.best = BestReachable(darkened, clean, falloff).error;
  return trial;
}

std::vector<LensFalloff> TrialFalloffs() {
  return {
      {1.0, 0, 0},                     // corner 0.50, the plain cos⁴-like square law
      {0.3, 0.2, 0.0385},              // corner 0.65
      {0, 0.25, 0},                    // corner 0.80, flat in the middle
      {0.45, 0.2, 0.0167, 0.38, 0.6},  // corner 0.60, trimmed off to the lower right
      {0.2, 0, 0.2286, 0.62, 0.42},    // corner 0.70, trimmed off to the upper left
  };
}

std::vector<Glow> TrialGlows(int width, int height) {
  const double diagonal = std::hypot(width, height);
  // A strong glow in the middle, a lamp's glare off to the upper left, a faint dome low on
  // the right: centre as fractions of the width and height, radius of the diagonal, peak
  // in linear light.
  const std::array<std::array<double, 4>, 3> glows = {
      {{0.5, 0.5, 0.45, 0.2}, {0.3, 0.7, 0.35, 0.1}, {0.72, 0.3, 0.5, 0.05}}};
  std::vector<Glow> result;
  for (const auto& g : glows)
    result.push_back({g[0] * width, g[1] * height, g[2] * diagonal, g[3]});
  return result;
}

}  // namespace hosei::test
