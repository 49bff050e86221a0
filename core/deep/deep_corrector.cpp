#include "deep_corrector.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "deep_kernels.h"
#include "tables.h"

namespace hosei {

namespace {

constexpr int kBlock = kMappingBlock;  // pixels worked on at once, on the stack

// log2 of every 16-bit level as a fraction of 65535.
const std::array<float, 65536>& Log2OfLevels() {
  static const auto table = [] {
    auto levels = std::make_unique<std::array<float, 65536>>();
    (*levels)[0] = -1000.0f;
    for (int v = 1; v < 65536; ++v) (*levels)[v] = static_cast<float>(std::log2(v / 65535.0));
    return levels;
  }();
  return *table;
}

std::uint16_t ToSample(float v, std::uint16_t) {
  return static_cast<std::uint16_t>(std::nearbyint(std::clamp(v, 0.0f, 1.0f) * 65535.0f));
}
float ToSample(float v, float) { return std::clamp(v, 0.0f, 1.0f); }

double Fraction(std::uint16_t level) { return level / 65535.0; }
double Fraction(float x) { return x; }

// Whether a pixel's mean lies so far above the background threshold (0..255) that the
// exact test in doubles cannot find it below: most pixels of a photo, told apart cheaply.
// 16-bit sums are exact in integers; float sums are kept a margin far wider than their
// rounding away from the threshold.
bool ClearlyAboveThreshold(const std::uint16_t* pixel, int threshold) {
  const std::int64_t sum = std::int64_t{pixel[0]} + pixel[1] + pixel[2];
  return sum * 255 > std::int64_t{3} * 65535 * threshold;
}
bool ClearlyAboveThreshold(const float* pixel, int threshold) {
  const float sum = pixel[0] + pixel[1] + pixel[2];
  return sum > 3.0f * static_cast<float>(threshold) / 255.0f * 1.0001f;
}

// The pull of a dark pixel's outstanding channels towards its mean, on fractions.
void AdjustBackground(double& blue, double& green, double& red, double threshold) {
  const double mean = (blue + green + red) / 3.0;
  if (!(mean < threshold)) return;
  const double outstanding = mean + 6.0 / 255.0;
  if (red > outstanding) red = (0.4 * red + mean) / 1.4;
  if (green > outstanding) green = (0.3 * green + mean) / 1.3;
  if (blue > outstanding) blue = (0.5 * blue + mean) / 1.5;
}

}  // namespace

double InterpolatedWeight(int shape, double s) {
  s = std::clamp(s, 0.0, static_cast<double>(kTransitionSteps - 1));
  const int step = static_cast<int>(std::floor(s));
  const int next = std::min(step + 1, kTransitionSteps - 1);
  const double low = TransitionCurve()(shape, step);
  const double high = TransitionCurve()(shape, next);
  return low + (s - step) * (high - low);
}

DeepCorrector::DeepCorrector(const Parameters& parameters, int width, int height,
                             const std::optional<MovedCentre>& movedCentre, SampleType type,
                             ChannelOrder order)
    : parameters_(parameters), width_(width), type_(type) {
  if (order == ChannelOrder::kRedFirst) std::swap(blue_, red_);
  switch (parameters.mode) {
    case Mode::kGamma: {
      gammaExponent_ = static_cast<float>(1.0 / static_cast<double>(parameters.gamma));
      if (type != SampleType::kUint16) break;
      gamma16_ = std::make_unique<std::array<std::uint16_t, 65536>>();
      for (int v = 0; v < 65536; ++v)
        (*gamma16_)[v] = static_cast<std::uint16_t>(
            std::nearbyint(65535.0 * std::pow(v / 65535.0, 1.0 / parameters.gamma)));
      break;
    }
    case Mode::kVignetting: {
      const VignettingGeometry geometry =
          SetUpVignetting(parameters.startFraction, parameters.coefficient, parameters.shape, width,
                          height, movedCentre);
      const float r0 = geometry.startRadius;
      const float span = geometry.cornerDistance - r0;
      model_.centreX = geometry.centreX;
      model_.centreY = geometry.centreY;
      model_.slope = span > 0 ? 300.0f / span : 0.0f;
      model_.base = -r0 * model_.slope;
      model_.inner = r0;
      model_.outer = std::numeric_limits<float>::infinity();
      model_.strength = geometry.coefficient;
      break;
    }
    case Mode::kFog: {
      const FogCircle circle{parameters.lightX, parameters.lightY, parameters.size,
                             parameters.brightness, parameters.shape};
      model_.centreX = static_cast<float>(circle.centreX);
      model_.centreY = static_cast<float>(circle.centreY);
      model_.base = 300.0f;
      model_.slope = circle.size > 0 ? -300.0f / static_cast<float>(circle.size) : 0.0f;
      model_.inner = -1.0f;
      model_.outer = static_cast<float>(circle.size);
      model_.strength = static_cast<float>(circle.brightness);
      break;
    }
  }
  for (int step = 0; step < kTransitionSteps; ++step)
    weights_[static_cast<std::size_t>(step)] = TransitionCurve()(parameters.shape, step);
  weights_[kTransitionSteps] = weights_[kTransitionSteps - 1];
  model_.weights = weights_.data();
}

DeepCorrector::~DeepCorrector() = default;

template <typename Sample>
void DeepCorrector::correctBlock(Sample* bgr, int firstX, int count, int y) const {
  const std::size_t samples = 3 * static_cast<std::size_t>(count);
  if (parameters_.mode == Mode::kGamma) {
    if constexpr (std::is_same_v<Sample, std::uint16_t>) {
      for (std::size_t i = 0; i < samples; ++i) bgr[i] = (*gamma16_)[bgr[i]];
    } else {
      PowerOfFractions(bgr, samples, gammaExponent_);
    }
  } else if (MayChange(model_, firstX, y, count)) {
    alignas(32) float exponent[3 * kBlock], factor[3 * kBlock], changes[3 * kBlock];
    RadialMapping(model_, firstX, y, count, exponent, factor, changes);
    if constexpr (std::is_same_v<Sample, std::uint16_t>)
      MapLevels(bgr, samples, exponent, factor, changes, Log2OfLevels().data());
    else
      MapFractions(bgr, samples, exponent, factor, changes);
  }
  if (!parameters_.background) return;
  const double threshold = parameters_.threshold / 255.0;
  for (int i = 0; i < count; ++i) {
    Sample* pixel = bgr + 3 * i;
    if (ClearlyAboveThreshold(pixel, parameters_.threshold)) continue;
    double blue = Fraction(pixel[blue_]), green = Fraction(pixel[1]), red = Fraction(pixel[red_]);
    const double mean = (blue + green + red) / 3.0;
    if (!(mean < threshold)) continue;
    AdjustBackground(blue, green, red, threshold);
    pixel[blue_] = ToSample(static_cast<float>(blue), Sample{});
    pixel[1] = ToSample(static_cast<float>(green), Sample{});
    pixel[red_] = ToSample(static_cast<float>(red), Sample{});
  }
}

void DeepCorrector::correctRows(std::uint8_t* rows, std::ptrdiff_t rowStep, int first,
                                int count) const {
  for (int i = 0; i < count; ++i) {
    std::uint8_t* row = rows + i * rowStep;
    if (type_ == SampleType::kFloat32)
      correctRow(reinterpret_cast<float*>(row), first + i + 1);
    else
      correctRow(reinterpret_cast<std::uint16_t*>(row), first + i + 1);
  }
}

void DeepCorrector::correctRow(std::uint16_t* bgr, int y) const {
  for (int x = 0; x < width_; x += kBlock)
    correctBlock(bgr + 3 * static_cast<std::size_t>(x), x + 1, std::min(kBlock, width_ - x), y);
}

void DeepCorrector::correctRow(float* bgr, int y) const {
  for (int x = 0; x < width_; x += kBlock)
    correctBlock(bgr + 3 * static_cast<std::size_t>(x), x + 1, std::min(kBlock, width_ - x), y);
}

void DeepCorrector::correctSpan(std::uint16_t* bgr, int firstX, int count, int y) const {
  for (int i = 0; i < count; i += kBlock)
    correctBlock(bgr + 3 * static_cast<std::size_t>(i), firstX + i, std::min(kBlock, count - i), y);
}

}  // namespace hosei
