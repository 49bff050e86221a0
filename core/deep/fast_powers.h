#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// Powers without a library call per sample, as plain arithmetic the compiler can
// vectorise: x^e = 2^(e * log2 x). Both are good to a few units in the last place of a
// float, far below one level of 65535.

namespace hosei {

// 2^y, for y from -126 (below that it is as good as 0: a sample that dark rounds to 0
// anyway) to 127.
inline float FastExp2(float y) {
  y = y < -126.0f ? -126.0f : y > 127.0f ? 127.0f : y;
  // The nearest whole number, through a truncation of a positive value: the vectoriser
  // takes a conversion where it would not take a call of floor.
  const float n = static_cast<float>(static_cast<std::int32_t>(y + 127.5f) - 127);
  const float t = (y - n) * 0.69314718056f;  // 2^(y - n) = e^t, |t| <= 0.347
  // e^t by its series to t^7: the next term is below 6e-9.
  float p = 1.0f / 5040.0f;
  p = p * t + 1.0f / 720.0f;
  p = p * t + 1.0f / 120.0f;
  p = p * t + 1.0f / 24.0f;
  p = p * t + 1.0f / 6.0f;
  p = p * t + 0.5f;
  p = p * t + 1.0f;
  p = p * t + 1.0f;
  const std::uint32_t exponent = static_cast<std::uint32_t>(static_cast<std::int32_t>(n) + 127)
                                 << 23;
  return p * std::bit_cast<float>(exponent);
}

// log2 x for 0 < x <= 1 (and beyond); 0 gives a value whose power is 0.
inline float FastLog2(float x) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
  // x = m * 2^k with m in [sqrt(1/2), sqrt(2)): the series below converges fastest there.
  const std::uint32_t shifted = bits - 0x3F3504F3u;  // bits of sqrt(1/2)
  const std::int32_t k = static_cast<std::int32_t>(shifted) >> 23;
  const float m = std::bit_cast<float>(bits - (static_cast<std::uint32_t>(k) << 23));
  // log2 m = 2 / ln 2 * atanh(u), u = (m - 1) / (m + 1), |u| <= 0.172; to u^9.
  const float u = (m - 1.0f) / (m + 1.0f);
  const float u2 = u * u;
  float s = 1.0f / 9.0f;
  s = s * u2 + 1.0f / 7.0f;
  s = s * u2 + 1.0f / 5.0f;
  s = s * u2 + 1.0f / 3.0f;
  s = s * u2 + 1.0f;
  const float log2m = 2.8853900818f * u * s;
  return x > 0.0f ? static_cast<float>(k) + log2m : -1000.0f;
}

}  // namespace hosei
