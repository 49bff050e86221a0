#pragma once

#include <cstddef>
#include <cstdint>

namespace hosei {

// The inner loops of the deep correction, written as flat loops over arrays so that the
// compiler vectorises them; each has a version for processors with AVX2, chosen at run
// time, and one for every x86-64 processor.

// A radial model: the amount at distance d from the centre is strength * W(s) with
// s = base + slope * d on the shape's transition weights W (interpolated between steps),
// where inner < d < outer, and 0 elsewhere.
struct RadialModel {
  float centreX = 0;
  float centreY = 0;
  float base = 0;
  float slope = 0;
  float inner = 0;
  float outer = 0;
  float strength = 0;
  const float* weights = nullptr;  // steps 0..301, and 301 again at 302
};

// The most dots RadialMapping takes at once.
inline constexpr int kMappingBlock = 256;

// Whether any of `count` dots of one row from column firstX at height y may lie strictly
// between inner and outer, where the model changes anything. A row's run of dots lies
// nearest the centre at one point and farthest at an end, so whole runs inside the inner
// circle (most of the middle of a picture under vignetting) or beyond the outer one (around
// a glow) are passed over without a sample being touched. Decided with a margin, so that a
// dot on the border is always left to the exact test.
bool MayChange(const RadialModel& model, int firstX, int y, int count);

// For `count` dots of one row from column firstX (1 = left edge) at height y: per sample
// (three a dot, so that the sample loops run flat) the exponent 250 / h and factor of the
// brightness mapping, and 1 where the dot changes at all, 0 where it stays.
void RadialMapping(const RadialModel& model, int firstX, int y, int count, float* exponent,
                   float* factor, float* changes);

// v = factor * x^exponent on `count` samples where `changes` is 1: 16-bit levels through
// the table of log2(level / 65535), rounded to the nearest level; floats kept, clipped to
// 0..1.
void MapLevels(std::uint16_t* samples, std::size_t count, const float* exponent,
               const float* factor, const float* changes, const float* log2OfLevels);
void MapFractions(float* samples, std::size_t count, const float* exponent, const float* factor,
                  const float* changes);

// x^exponent on every float sample (the gamma mode).
void PowerOfFractions(float* samples, std::size_t count, float exponent);

}  // namespace hosei
