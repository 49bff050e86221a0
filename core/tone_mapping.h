#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "tables.h"

namespace hosei {

enum Shape : int { kSoft = 0, kIntermediate = 1, kSharp = 2 };

// The boundary list's entries, indexed by Shape.
inline constexpr std::array<std::string_view, 3> kShapeNames = {"Soft", "Intermediate", "Sharp"};

// Exact, case-sensitive: "Sharp" 2, "Intermediate" 1, anything else (typed or "Soft") 0.
inline int ShapeIndex(std::string_view boundaryText) {
  if (boundaryText == kShapeNames[kSharp]) return kSharp;
  if (boundaryText == kShapeNames[kIntermediate]) return kIntermediate;
  return kSoft;
}

// Amounts this small leave a pixel as it is (compared in single precision).
inline bool LeavesPixelUnchanged(float amount) { return std::fabs(amount) <= 0.002f; }

// Nearest tone row with ties going upwards, capped at the brightest row. The corrections
// never produce amounts below -100; the floor of row 1 only keeps the lookup in bounds.
inline int BrightnessRow(float amount) {
  const double row = std::floor(static_cast<double>(amount) * 2.5 + 250.5);
  if (row > kHighestBrightnessRow) return kHighestBrightnessRow;
  if (row < 1) return 1;
  return static_cast<int>(row);
}

// Maps the blue, green and red bytes at `bgr` alike through the brightness row of `amount`.
inline void ApplyBrightness(std::uint8_t* bgr, float amount) {
  if (LeavesPixelUnchanged(amount)) return;
  const std::int16_t* row = ToneCurve().row(BrightnessRow(amount));
  bgr[0] = static_cast<std::uint8_t>(row[bgr[0]]);
  bgr[1] = static_cast<std::uint8_t>(row[bgr[1]]);
  bgr[2] = static_cast<std::uint8_t>(row[bgr[2]]);
}

inline void ApplyGamma(std::uint8_t* bgr, const GammaCurve& curve) {
  bgr[0] = curve[bgr[0]];
  bgr[1] = curve[bgr[1]];
  bgr[2] = curve[bgr[2]];
}

}  // namespace hosei
