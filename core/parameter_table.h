#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "parameters.h"

namespace hosei {

// How a field's text becomes its value. Every conversion starts from the leading number
// of the text (leading blanks skipped, 0 when there is none); integers round to the
// nearest with ties to even.
enum class Conversion {
  kPercentFraction,  // the number / 100 in single precision, strictly between the bounds
  kSingle,           // the number in single precision, within the bounds (inclusive)
  kInt32,            // rounded to a 32-bit integer; only that range bounds it
  kTimes14,          // the number * kTimes14Factor, rounded to a 32-bit integer, within the bounds
  kClampedInt16,     // rounded to a 16-bit integer (refused outside it), then clamped
  kShapeName,        // the boundary softness by name: "Sharp", "Intermediate", else Soft
};

inline constexpr double kTimes14Factor = 1.4;

// How a slider's value and its field's number correspond.
enum class SliderScale {
  kDirect,   // the field shows the value
  kNegated,  // the field shows minus the value (a vertical slider with its top as maximum)
  kGamma,    // the field shows 1.04 raised to the value
};

struct SliderDeclaration {
  const char* objectName;
  bool vertical;
  int minimum;
  int maximum;
  int arrowStep;
  int troughStep;
  SliderScale scale;
};

struct ParameterDeclaration {
  Field field;
  const char* objectName;  // the field's control in the main window
  const char* option;      // hosei-cli's option
  const char* defaultText;
  std::optional<Mode> mode;  // the mode that reads it; every mode when empty
  Conversion conversion;
  double lowest;
  double highest;
  std::optional<SliderDeclaration> slider;
  void (*store)(Parameters& parameters, double value);
};

extern const std::array<ParameterDeclaration, kFieldCount> kParameterTable;

const ParameterDeclaration& DeclarationOf(Field field);

// The numbers (or names) that bound what a field accepts, as texts for the front ends'
// wording of a refusal, by its conversion: kPercentFraction the two percentages it lies
// strictly between; kSingle and kInt32 the lowest and highest; kTimes14 the lowest and
// highest typed, the factor, then the lowest and highest after it; kClampedInt16 the 16-bit
// range, then the range it is clamped to; kShapeName the three names.
std::vector<std::string> AcceptedValues(const ParameterDeclaration& d);

}  // namespace hosei
