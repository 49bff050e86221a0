#include "deep_corrector.h"

#include <algorithm>
#include <cmath>

#include "fast_powers.h"
#include "tables.h"

namespace hosei {

namespace {

constexpr int kBlock = 256;  // pixels worked on at once, on the stack

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

float Log2Of(std::uint16_t level) { return Log2OfLevels()[level]; }
float Log2Of(float x) { return FastLog2(x); }

std::uint16_t ToSample(float v, std::uint16_t) {
  return static_cast<std::uint16_t>(std::nearbyint(std::clamp(v, 0.0f, 1.0f) * 65535.0f));
}
float ToSample(float v, float) { return std::clamp(v, 0.0f, 1.0f); }

double Fraction(std::uint16_t level) { return level / 65535.0; }
double Fraction(float x) { return x; }

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

// Per pixel of a block: the exponent 250 / h and the factor of the brightness mapping,
// and whether the pixel changes at all.
struct DeepCorrector::Mapping {
  float exponent[kBlock];
  float factor[kBlock];
  bool changes[kBlock];
};

DeepCorrector::DeepCorrector(const Parameters& parameters, int width, int height,
                             const std::optional<MovedCentre>& movedCentre, SampleType type)
    : parameters_(parameters), width_(width), type_(type) {
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
    case Mode::kVignetting:
      geometry_ = SetUpVignetting(parameters.startFraction, parameters.coefficient,
                                  parameters.shape, width, height, movedCentre);
      break;
    case Mode::kFog:
      circle_ = FogCircle{parameters.lightX, parameters.lightY, parameters.size,
                          parameters.brightness, parameters.shape};
      break;
  }
}

DeepCorrector::~DeepCorrector() = default;

double DeepCorrector::amountAt(int x, int y) const {
  switch (parameters_.mode) {
    case Mode::kVignetting: {
      const double dx = x - static_cast<double>(geometry_.centreX);
      const double dy = y - static_cast<double>(geometry_.centreY);
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d <= geometry_.startRadius) return 0.0;
      const double s = (d - geometry_.startRadius) /
                       (static_cast<double>(geometry_.cornerDistance) - geometry_.startRadius) *
                       300.0;
      return geometry_.coefficient * InterpolatedWeight(geometry_.shape, s);
    }
    case Mode::kFog: {
      const double dx = static_cast<double>(x) - circle_.centreX;
      const double dy = static_cast<double>(y) - circle_.centreY;
      const double r = std::sqrt(dx * dx + dy * dy);
      if (!(r < circle_.size)) return 0.0;
      return InterpolatedWeight(circle_.shape, 300.0 - r / circle_.size * 300.0) *
             circle_.brightness;
    }
    case Mode::kGamma:
      break;
  }
  return 0.0;
}

void DeepCorrector::mappingOf(int firstX, int count, int y, Mapping& mapping) const {
  for (int i = 0; i < count; ++i) {
    const double amount = amountAt(firstX + i, y);
    mapping.changes[i] = std::fabs(amount) > 0.002;
    const double h = std::clamp(2.5 * amount + 250.0, 1.0, 700.0);
    const double m = h / 2.5 - 100.0;
    mapping.exponent[i] = static_cast<float>(250.0 / h);
    mapping.factor[i] = static_cast<float>(m > 0 ? 1.0 + m / 250.0 : 1.0);
  }
}

template <typename Sample>
void DeepCorrector::correctBlock(Sample* bgr, int firstX, int count, int y) const {
  const std::size_t samples = 3 * static_cast<std::size_t>(count);
  if (parameters_.mode == Mode::kGamma) {
    if constexpr (std::is_same_v<Sample, std::uint16_t>) {
      for (std::size_t i = 0; i < samples; ++i) bgr[i] = (*gamma16_)[bgr[i]];
    } else {
      for (std::size_t i = 0; i < samples; ++i)
        bgr[i] = ToSample(FastExp2(gammaExponent_ * Log2Of(bgr[i])), Sample{});
    }
  } else {
    Mapping mapping;
    mappingOf(firstX, count, y, mapping);
    for (int i = 0; i < count; ++i) {
      if (!mapping.changes[i]) continue;
      for (int c = 0; c < 3; ++c) {
        Sample& sample = bgr[3 * i + c];
        sample =
            ToSample(mapping.factor[i] * FastExp2(mapping.exponent[i] * Log2Of(sample)), Sample{});
      }
    }
  }
  if (!parameters_.background) return;
  const double threshold = parameters_.threshold / 255.0;
  for (int i = 0; i < count; ++i) {
    Sample* pixel = bgr + 3 * i;
    double blue = Fraction(pixel[0]), green = Fraction(pixel[1]), red = Fraction(pixel[2]);
    const double mean = (blue + green + red) / 3.0;
    if (!(mean < threshold)) continue;
    AdjustBackground(blue, green, red, threshold);
    pixel[0] = ToSample(static_cast<float>(blue), Sample{});
    pixel[1] = ToSample(static_cast<float>(green), Sample{});
    pixel[2] = ToSample(static_cast<float>(red), Sample{});
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

}  // namespace hosei
