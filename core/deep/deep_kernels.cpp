#include "deep_kernels.h"

#include <algorithm>
#include <cmath>

#include "fast_powers.h"

namespace hosei {

#define HOSEI_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

bool MayChange(const RadialModel& m, int firstX, int y, int count) {
  const double dy = y - static_cast<double>(m.centreY);
  const double left = firstX - static_cast<double>(m.centreX);
  const double right = left + (count - 1);
  const double nearest = std::clamp(0.0, left, right);
  const double nearest2 = nearest * nearest + dy * dy;
  const double farthest2 = std::max(left * left, right * right) + dy * dy;
  constexpr double kMargin = 1e-4;  // far beyond float's rounding of the distances
  const double inner = m.inner, outer = m.outer;
  if (inner >= 0 && farthest2 < inner * inner * (1 - kMargin)) return false;
  if (std::isfinite(outer) && nearest2 > outer * outer * (1 + kMargin)) return false;
  return true;
}

HOSEI_VECTOR_CLONES
void RadialMapping(const RadialModel& m, int firstX, int y, int count, float* __restrict exponent,
                   float* __restrict factor, float* __restrict changes) {
  const float dy = static_cast<float>(y) - m.centreY;
  const float dy2 = dy * dy;
  const float firstDx = static_cast<float>(firstX) - m.centreX;
  const float base = m.base, slope = m.slope, inner = m.inner, outer = m.outer;
  const float strength = m.strength;
  const float* __restrict weights = m.weights;
  // Per dot first, then spread over the dot's three samples, in loops simple enough for
  // the vectoriser each.
  float distance[kMappingBlock], weight[kMappingBlock];
  float e[kMappingBlock], k[kMappingBlock], change[kMappingBlock];
  for (int i = 0; i < count; ++i) {
    const float dx = firstDx + static_cast<float>(i);
    distance[i] = std::sqrt(dx * dx + dy2);
  }
  for (int i = 0; i < count; ++i) {
    const float s = std::min(std::max(base + slope * distance[i], 0.0f), 301.0f);
    const int step = static_cast<int>(s);
    const float low = weights[step];
    weight[i] = low + (s - static_cast<float>(step)) * (weights[step + 1] - low);
  }
  for (int i = 0; i < count; ++i) {
    const float d = distance[i];
    const bool inside = (inner < d) & (d < outer);
    const float amount = inside ? strength * weight[i] : 0.0f;
    const float h = std::min(std::max(2.5f * amount + 250.0f, 1.0f), 700.0f);
    e[i] = 250.0f / h;
    k[i] = std::max(1.0f, 1.0f + (h / 2.5f - 100.0f) / 250.0f);
    change[i] = std::fabs(amount) > 0.002f ? 1.0f : 0.0f;
  }
  for (int i = 0; i < count; ++i) {
    exponent[3 * i] = exponent[3 * i + 1] = exponent[3 * i + 2] = e[i];
    factor[3 * i] = factor[3 * i + 1] = factor[3 * i + 2] = k[i];
    changes[3 * i] = changes[3 * i + 1] = changes[3 * i + 2] = change[i];
  }
}

HOSEI_VECTOR_CLONES
void MapLevels(std::uint16_t* __restrict samples, std::size_t count,
               const float* __restrict exponent, const float* __restrict factor,
               const float* __restrict changes, const float* __restrict log2OfLevels) {
  for (std::size_t i = 0; i < count; ++i) {
    const float v = factor[i] * FastExp2(exponent[i] * log2OfLevels[samples[i]]);
    const float level = std::min(v, 1.0f) * 65535.0f + 0.5f;
    const auto mapped = static_cast<std::uint16_t>(static_cast<std::int32_t>(level));
    samples[i] = changes[i] != 0.0f ? mapped : samples[i];
  }
}

HOSEI_VECTOR_CLONES
void MapFractions(float* __restrict samples, std::size_t count, const float* __restrict exponent,
                  const float* __restrict factor, const float* __restrict changes) {
  for (std::size_t i = 0; i < count; ++i) {
    const float v = std::min(factor[i] * FastExp2(exponent[i] * FastLog2(samples[i])), 1.0f);
    samples[i] = changes[i] != 0.0f ? v : samples[i];
  }
}

HOSEI_VECTOR_CLONES
void PowerOfFractions(float* samples, std::size_t count, float exponent) {
  for (std::size_t i = 0; i < count; ++i)
    samples[i] = std::min(FastExp2(exponent * FastLog2(samples[i])), 1.0f);
}

}  // namespace hosei
