#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace hosei {

enum class Mode { kVignetting = 1, kFog = 2, kGamma = 3 };

// The typed parameters, in the order a run checks them. Each is declared once, with its
// control, option, default, range and help, in parameter_table.h.
enum class Field {
  kStart,
  kCoefficient,
  kLightX,
  kLightY,
  kSize,
  kBrightness,
  kGamma,
  kBoundary,
  kThreshold
};
inline constexpr std::size_t kFieldCount = 9;

// The parameter fields as the user typed them; a new set holds the initial texts.
struct FieldTexts {
  FieldTexts();

  std::string& operator[](Field field) { return text[static_cast<std::size_t>(field)]; }
  const std::string& operator[](Field field) const { return text[static_cast<std::size_t>(field)]; }

  Mode mode = Mode::kVignetting;
  bool background = false;  // バックの調整
  std::array<std::string, kFieldCount> text;
};

// The converted parameters of one run.
struct Parameters {
  Mode mode = Mode::kVignetting;
  float startFraction = 0.5f;  // f, 0 < f < 1
  float coefficient = 20.0f;   // c, 1..120
  std::int32_t lightX = 0;
  std::int32_t lightY = 0;
  std::int32_t size = 150;
  std::int32_t brightness = -56;  // b = field * 1.4, -140..238
  float gamma = 1.0f;             // 0.374..2.67
  int shape = 0;
  bool background = false;
  int threshold = 70;  // clamped to 35..200
};

// A parameter the run refuses: which field and what was typed; AcceptedValues of its
// declaration tells what would be accepted. The front ends word it.
struct Refusal {
  Field field;
  std::string text;
};

// Converts and checks the fields the mode uses (and the threshold when the background
// adjustment is on), in the order of Field; the first refused one ends the reading.
std::variant<Parameters, Refusal> ReadParameters(const FieldTexts& texts);

}  // namespace hosei
