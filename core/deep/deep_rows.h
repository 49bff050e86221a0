#pragma once

#include <cstddef>
#include <cstdint>

#include "photo_rows.h"

namespace hosei {

// SplitRow and JoinRow for deep samples (std::uint16_t or float): from a codec's row to
// blue, green, red triplets and separate alpha, and back. Grey is stored inverted as
// 65535 - v or 1 - v. Premultiplied layouts are not taken here: the readers refuse them.
template <typename Sample>
void SplitDeepRow(const Sample* samples, int width, SampleLayout layout, Sample* bgr,
                  Sample* alpha);
template <typename Sample>
void JoinDeepRow(const Sample* bgr, const Sample* alpha, int width, SampleLayout layout,
                 Sample* samples);

// Deep samples reduced to bytes for the screen and the display copies: to the nearest of
// the 256 levels, floats clipped to 0..1 first.
void ReduceToBytes(const std::uint16_t* samples, std::size_t count, std::uint8_t* bytes);
void ReduceToBytes(const float* samples, std::size_t count, std::uint8_t* bytes);

// Whether every sample lies in 0..1: no NaN, no infinity. Float pictures outside that
// scale are refused, since clipping them would lose data.
bool FloatSamplesInRange(const float* samples, std::size_t count);

// Reverses the bytes of each 16- or 32-bit sample, for files stored in the other order.
void SwapSampleBytes(void* samples, std::size_t count, std::size_t bytesPerSample);

}  // namespace hosei
