#include "deep_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace hosei {

namespace {

template <typename Sample>
Sample Inverted(Sample v) {
  if constexpr (std::is_same_v<Sample, float>)
    return 1.0f - v;
  else
    return static_cast<Sample>(65535 - v);
}

template <typename Sample>
constexpr Sample kOpaque = std::is_same_v<Sample, float> ? Sample(1) : Sample(65535);

}  // namespace

template <typename Sample>
void SplitDeepRow(const Sample* samples, int width, SampleLayout layout, Sample* bgr,
                  Sample* alpha) {
  const std::size_t n = static_cast<std::size_t>(width);
  const int step = layout.channels;
  if (layout.grey()) {
    for (std::size_t x = 0; x < n; ++x) {
      const Sample v = layout.greyInverted ? Inverted(samples[x * step]) : samples[x * step];
      bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
    }
  } else {
    const int blue = layout.redFirst ? 2 : 0;
    const int red = 2 - blue;
    for (std::size_t x = 0; x < n; ++x) {
      const Sample* s = samples + x * step;
      bgr[3 * x] = s[blue];
      bgr[3 * x + 1] = s[1];
      bgr[3 * x + 2] = s[red];
    }
  }
  if (layout.alpha() && alpha)
    for (std::size_t x = 0; x < n; ++x) alpha[x] = samples[x * step + step - 1];
}

template <typename Sample>
void JoinDeepRow(const Sample* bgr, const Sample* alpha, int width, SampleLayout layout,
                 Sample* samples) {
  const std::size_t n = static_cast<std::size_t>(width);
  const int step = layout.channels;
  if (layout.grey()) {
    for (std::size_t x = 0; x < n; ++x)
      samples[x * step] = layout.greyInverted ? Inverted(bgr[3 * x + 1]) : bgr[3 * x + 1];
  } else {
    const int blue = layout.redFirst ? 2 : 0;
    const int red = 2 - blue;
    for (std::size_t x = 0; x < n; ++x) {
      Sample* s = samples + x * step;
      s[blue] = bgr[3 * x];
      s[1] = bgr[3 * x + 1];
      s[red] = bgr[3 * x + 2];
    }
  }
  if (layout.alpha())
    for (std::size_t x = 0; x < n; ++x)
      samples[x * step + step - 1] = alpha ? alpha[x] : kOpaque<Sample>;
}

template void SplitDeepRow(const std::uint16_t*, int, SampleLayout, std::uint16_t*, std::uint16_t*);
template void SplitDeepRow(const float*, int, SampleLayout, float*, float*);
template void JoinDeepRow(const std::uint16_t*, const std::uint16_t*, int, SampleLayout,
                          std::uint16_t*);
template void JoinDeepRow(const float*, const float*, int, SampleLayout, float*);

void ReduceToBytes(const std::uint16_t* samples, std::size_t count, std::uint8_t* bytes) {
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<std::uint8_t>((samples[i] * 255u + 32767u) / 65535u);
}

void ReduceToBytes(const float* samples, std::size_t count, std::uint8_t* bytes) {
  // Adding 2^23 leaves no bits below the units, so the sum is rounded ties to even as
  // nearbyint would round it; unlike a call of nearbyint, the loop is vectorised.
  constexpr float kUnits = 8388608.0f;
  for (std::size_t i = 0; i < count; ++i) {
    const float scaled = std::clamp(samples[i], 0.0f, 1.0f) * 255.0f;
    bytes[i] = static_cast<std::uint8_t>((scaled + kUnits) - kUnits);
  }
}

bool FloatSamplesInRange(const float* samples, std::size_t count) {
  bool inRange = true;
  for (std::size_t i = 0; i < count; ++i) inRange &= samples[i] >= 0.0f && samples[i] <= 1.0f;
  return inRange;
}

namespace {

// Through an integer of the sample's width: one byte-swap instruction a sample.
template <typename Word, Word (*Swap)(Word)>
void SwapWords(std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    Word word;
    std::memcpy(&word, bytes + i * sizeof(Word), sizeof word);
    word = Swap(word);
    std::memcpy(bytes + i * sizeof(Word), &word, sizeof word);
  }
}

std::uint16_t Swap16(std::uint16_t word) { return __builtin_bswap16(word); }
std::uint32_t Swap32(std::uint32_t word) { return __builtin_bswap32(word); }

}  // namespace

void SwapSampleBytes(void* samples, std::size_t count, std::size_t bytesPerSample) {
  auto* bytes = static_cast<std::uint8_t*>(samples);
  if (bytesPerSample == 2) return SwapWords<std::uint16_t, Swap16>(bytes, count);
  if (bytesPerSample == 4) return SwapWords<std::uint32_t, Swap32>(bytes, count);
  for (std::size_t i = 0; i < count; ++i, bytes += bytesPerSample)
    std::reverse(bytes, bytes + bytesPerSample);
}

}  // namespace hosei
