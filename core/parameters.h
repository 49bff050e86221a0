#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace hosei {

enum class Mode { kVignetting = 1, kFog = 2, kGamma = 3 };

// The parameter fields as the user typed them, with the main window's initial texts.
struct FieldTexts {
  Mode mode = Mode::kVignetting;
  std::string start = "50";        // 周辺減光の開始, percent
  std::string coefficient = "20";  // 減光係数
  std::string lightX = "0";        // 光源 x, dots
  std::string lightY = "0";        // 光源 y, dots from the bottom
  std::string size = "150";        // 大きさ, radius in dots
  std::string brightness = "-40";  // 明るさ, -100..170
  std::string gamma = "1";         // ガンマ値
  std::string boundary = "Soft";   // 境界
  bool background = false;         // バックの調整
  std::string threshold = "70";    // バックグラウンド
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

enum class Field { kStart, kCoefficient, kLightX, kLightY, kSize, kBrightness, kGamma, kThreshold };

// A parameter the run refuses: which field, what was typed, and what would be accepted.
// The windows stay silent on it; the batch command explains it.
struct Refusal {
  Field field;
  std::string text;
  std::string accepted;
};

std::variant<Parameters, Refusal> ReadParameters(const FieldTexts& texts);

}  // namespace hosei
