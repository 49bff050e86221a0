#include "parameters.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "background.h"
#include "leading_number.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

constexpr long long kInt32Lowest = std::numeric_limits<std::int32_t>::min();
constexpr long long kInt32Highest = std::numeric_limits<std::int32_t>::max();
constexpr const char* kInt32Range = "-2147483648～2147483647 の整数";

std::optional<std::int32_t> ToInt32(double value) {
  const auto rounded = RoundToRange(value, kInt32Lowest, kInt32Highest);
  if (!rounded) return std::nullopt;
  return static_cast<std::int32_t>(*rounded);
}

Refusal Refuse(Field field, const std::string& text, const char* accepted) {
  return Refusal{field, text, accepted};
}

}  // namespace

std::variant<Parameters, Refusal> ReadParameters(const FieldTexts& texts) {
  Parameters p;
  p.mode = texts.mode;
  switch (texts.mode) {
    case Mode::kVignetting: {
      p.startFraction = static_cast<float>(LeadingNumber(texts.start) / 100.0);
      if (!(p.startFraction > 0.0f && p.startFraction < 1.0f))
        return Refuse(Field::kStart, texts.start, "0 より大きく 100 より小さい値");
      p.coefficient = static_cast<float>(LeadingNumber(texts.coefficient));
      if (!(p.coefficient >= 1.0f && p.coefficient <= 120.0f))
        return Refuse(Field::kCoefficient, texts.coefficient, "1～120");
      break;
    }
    case Mode::kFog: {
      const auto x = ToInt32(LeadingNumber(texts.lightX));
      if (!x) return Refuse(Field::kLightX, texts.lightX, kInt32Range);
      const auto y = ToInt32(LeadingNumber(texts.lightY));
      if (!y) return Refuse(Field::kLightY, texts.lightY, kInt32Range);
      const auto size = ToInt32(LeadingNumber(texts.size));
      if (!size) return Refuse(Field::kSize, texts.size, kInt32Range);
      const auto b = ToInt32(LeadingNumber(texts.brightness) * 1.4);
      if (!b || *b < -140 || *b > 238)
        return Refuse(Field::kBrightness, texts.brightness, "-100～170（×1.4 を丸めて -140～238）");
      p.lightX = *x;
      p.lightY = *y;
      p.size = *size;
      p.brightness = *b;
      break;
    }
    case Mode::kGamma: {
      p.gamma = static_cast<float>(LeadingNumber(texts.gamma));
      if (!(p.gamma >= 0.374f && p.gamma <= 2.67f))
        return Refuse(Field::kGamma, texts.gamma, "0.374～2.67");
      break;
    }
  }
  p.shape = ShapeIndex(texts.boundary);
  p.background = texts.background;
  if (texts.background) {
    const auto t =
        RoundToRange(LeadingNumber(texts.threshold), std::numeric_limits<std::int16_t>::min(),
                     std::numeric_limits<std::int16_t>::max());
    if (!t)
      return Refuse(Field::kThreshold, texts.threshold, "-32768～32767（35～200 に丸めて使用）");
    p.threshold = static_cast<int>(std::clamp<long long>(*t, kLowestThreshold, kHighestThreshold));
  }
  return p;
}

}  // namespace hosei
