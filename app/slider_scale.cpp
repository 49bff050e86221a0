#include "slider_scale.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace hosei {

namespace {

constexpr double kGammaBase = 1.04;
constexpr double kLogGammaBase = 0.0392207131532813;  // ln 1.04
constexpr int kGammaDigits = 15;

std::optional<int> RoundToSliderRange(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // the default rounding: halves to even
  if (rounded < std::numeric_limits<std::int16_t>::min() ||
      rounded > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<int>(rounded);
}

}  // namespace

QString FieldTextForSlider(SliderScale scale, int value) {
  switch (scale) {
    case SliderScale::kDirect:
      return QString::number(value);
    case SliderScale::kNegated:
      return QString::number(-value);
    case SliderScale::kGamma:
      return QString::number(std::pow(kGammaBase, value), 'g', kGammaDigits);
  }
  return {};
}

std::optional<int> SliderValueForField(SliderScale scale, const QString& text,
                                       const QLocale& locale) {
  bool ok = false;
  const double number = locale.toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(number)) return std::nullopt;
  switch (scale) {
    case SliderScale::kDirect:
      return RoundToSliderRange(number);
    case SliderScale::kNegated: {
      const auto value = RoundToSliderRange(number);
      if (!value) return std::nullopt;
      return RoundToSliderRange(-static_cast<double>(*value));
    }
    case SliderScale::kGamma:
      if (!(number > 0)) return std::nullopt;
      return RoundToSliderRange(std::log(number) / kLogGammaBase);
  }
  return std::nullopt;
}

}  // namespace hosei
