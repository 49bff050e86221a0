#pragma once

#include <cstdint>

namespace hosei {

inline constexpr int kLowestThreshold = 35;
inline constexpr int kHighestThreshold = 200;

// Pulls the outstanding channels of a dark pixel towards its mean, so dark background
// loses its colour cast. The shares kept of the excess (red 2/7, green 3/13, blue 1/3)
// have odd denominators, so integer rounding never meets a half and equals the
// double-precision formulas (0.4R + mean) / 1.4, (0.3G + mean) / 1.3, (0.5B + mean) / 1.5.
inline void AdjustBackground(std::uint8_t* bgr, int threshold) {
  const int blue = bgr[0];
  const int green = bgr[1];
  const int red = bgr[2];
  const int mean = (blue + green + red + 1) / 3;
  if (mean >= threshold) return;
  if (red > mean + 6) bgr[2] = static_cast<std::uint8_t>((2 * red + 5 * mean + 3) / 7);
  if (green > mean + 6) bgr[1] = static_cast<std::uint8_t>((3 * green + 10 * mean + 6) / 13);
  if (blue > mean + 6) bgr[0] = static_cast<std::uint8_t>((blue + 2 * mean + 1) / 3);
}

}  // namespace hosei
