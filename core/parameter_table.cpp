#include "parameter_table.h"

#include <cstdint>
#include <limits>

#include "background.h"
#include "formatted.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

constexpr double kInt32Lowest = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Highest = std::numeric_limits<std::int32_t>::max();

template <typename Value>
constexpr Value As(double value) {
  return static_cast<Value>(value);
}

}  // namespace

const std::array<ParameterDeclaration, kFieldCount> kParameterTable = {{
    {Field::kStart, "Text1", "--start", "50", Mode::kVignetting, Conversion::kPercentFraction, 0, 1,
     SliderDeclaration{"HScroll1", false, 1, 99, 1, 10, SliderScale::kDirect},
     [](Parameters& p, double v) { p.startFraction = As<float>(v); }},
    {Field::kCoefficient, "Text2", "--coefficient", "20", Mode::kVignetting, Conversion::kSingle, 1,
     120, SliderDeclaration{"HScroll2", false, 1, 120, 1, 10, SliderScale::kDirect},
     [](Parameters& p, double v) { p.coefficient = As<float>(v); }},
    {Field::kLightX, "Text5", "--light-x", "0", Mode::kFog, Conversion::kInt32, kInt32Lowest,
     kInt32Highest,
     SliderDeclaration{"HScroll3", false, -3000, 3000, 10, 100, SliderScale::kDirect},
     [](Parameters& p, double v) { p.lightX = As<std::int32_t>(v); }},
    {Field::kLightY, "Text6", "--light-y", "0", Mode::kFog, Conversion::kInt32, kInt32Lowest,
     kInt32Highest,
     SliderDeclaration{"VScroll1", true, -3000, 3000, 10, 100, SliderScale::kNegated},
     [](Parameters& p, double v) { p.lightY = As<std::int32_t>(v); }},
    {Field::kSize, "Text7", "--size", "150", Mode::kFog, Conversion::kInt32, kInt32Lowest,
     kInt32Highest, SliderDeclaration{"HScroll5", false, 0, 3500, 5, 50, SliderScale::kDirect},
     [](Parameters& p, double v) { p.size = As<std::int32_t>(v); }},
    {Field::kBrightness, "Text8", "--brightness", "-40", Mode::kFog, Conversion::kTimes14, -140,
     238, SliderDeclaration{"HScroll6", false, -100, 170, 1, 10, SliderScale::kDirect},
     [](Parameters& p, double v) { p.brightness = As<std::int32_t>(v); }},
    {Field::kGamma, "Text9", "--gamma", "1", Mode::kGamma, Conversion::kSingle, 0.374, 2.67,
     SliderDeclaration{"HScroll4", false, -25, 25, 1, 4, SliderScale::kGamma},
     [](Parameters& p, double v) { p.gamma = As<float>(v); }},
    {Field::kBoundary, "Combo1", "--boundary", "Soft", std::nullopt, Conversion::kShapeName, 0, 2,
     std::nullopt, [](Parameters& p, double v) { p.shape = As<int>(v); }},
    {Field::kThreshold, "Text4", "--background", "70", std::nullopt, Conversion::kClampedInt16,
     kLowestThreshold, kHighestThreshold, std::nullopt,
     [](Parameters& p, double v) { p.threshold = As<int>(v); }},
}};

std::vector<std::string> AcceptedValues(const ParameterDeclaration& d) {
  switch (d.conversion) {
    case Conversion::kPercentFraction:
      return {MessageNumber(d.lowest * 100), MessageNumber(d.highest * 100)};
    case Conversion::kSingle:
    case Conversion::kInt32:
      return {MessageNumber(d.lowest), MessageNumber(d.highest)};
    case Conversion::kTimes14:
      return {MessageNumber(d.lowest / kTimes14Factor), MessageNumber(d.highest / kTimes14Factor),
              MessageNumber(kTimes14Factor), MessageNumber(d.lowest), MessageNumber(d.highest)};
    case Conversion::kClampedInt16:
      return {MessageNumber(std::numeric_limits<std::int16_t>::min()),
              MessageNumber(std::numeric_limits<std::int16_t>::max()), MessageNumber(d.lowest),
              MessageNumber(d.highest)};
    case Conversion::kShapeName:
      return {kShapeNames.begin(), kShapeNames.end()};
  }
  return {};
}

const ParameterDeclaration& DeclarationOf(Field field) {
  return kParameterTable[static_cast<std::size_t>(field)];
}

}  // namespace hosei
