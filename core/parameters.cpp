#include "parameters.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "leading_number.h"
#include "parameter_table.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

std::optional<double> Rounded(double value, double lowest, double highest) {
  const auto rounded =
      RoundToRange(value, static_cast<long long>(lowest), static_cast<long long>(highest));
  if (!rounded) return std::nullopt;
  return static_cast<double>(*rounded);
}

// The value a field's text stands for, or nothing when the run refuses it.
std::optional<double> Convert(const ParameterDeclaration& d, const std::string& text) {
  switch (d.conversion) {
    case Conversion::kPercentFraction: {
      const auto f = static_cast<float>(LeadingNumber(text) / 100.0);
      if (!(f > static_cast<float>(d.lowest) && f < static_cast<float>(d.highest)))
        return std::nullopt;
      return f;
    }
    case Conversion::kSingle: {
      const auto v = static_cast<float>(LeadingNumber(text));
      if (!(v >= static_cast<float>(d.lowest) && v <= static_cast<float>(d.highest)))
        return std::nullopt;
      return v;
    }
    case Conversion::kInt32:
    case Conversion::kTimes14: {
      const double number =
          LeadingNumber(text) * (d.conversion == Conversion::kTimes14 ? kTimes14Factor : 1.0);
      const auto v = Rounded(number, std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max());
      if (!v || *v < d.lowest || *v > d.highest) return std::nullopt;
      return v;
    }
    case Conversion::kClampedInt16: {
      const auto v = Rounded(LeadingNumber(text), std::numeric_limits<std::int16_t>::min(),
                             std::numeric_limits<std::int16_t>::max());
      if (!v) return std::nullopt;
      return std::clamp(*v, d.lowest, d.highest);
    }
    case Conversion::kShapeName:
      return ShapeIndex(text);
  }
  return std::nullopt;
}

}  // namespace

FieldTexts::FieldTexts() {
  for (const ParameterDeclaration& d : kParameterTable) (*this)[d.field] = d.defaultText;
}

std::variant<Parameters, Refusal> ReadParameters(const FieldTexts& texts) {
  Parameters p;
  p.mode = texts.mode;
  p.background = texts.background;
  for (const ParameterDeclaration& d : kParameterTable) {
    if (d.mode && *d.mode != texts.mode) continue;
    if (d.field == Field::kThreshold && !texts.background) continue;
    const std::string& text = texts[d.field];
    const auto value = Convert(d, text);
    if (!value) return Refusal{d.field, text};
    d.store(p, *value);
  }
  return p;
}

}  // namespace hosei
