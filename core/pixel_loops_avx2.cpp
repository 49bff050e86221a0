// AVX2 versions of the innermost loops; this file alone is built for AVX2, and its
// functions run only where the processor has it.

#include <immintrin.h>

#include "pixel_loops.h"

namespace hosei {

namespace {

// Byte positions of blue, green and red within 48 bytes (16 pixels) held as three 16-byte
// pieces; -1 gives a zero byte, so or-ing the three shuffles gathers one channel.
alignas(16) constexpr signed char kGather[3][3][16] = {
    {{0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13}},
    {{1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14}},
    {{2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1},
     {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15}},
};

// The inverse: for each 16-byte output piece, where its bytes come from in the blue,
// green and red vectors of 16 pixels.
alignas(16) constexpr signed char kScatter[3][3][16] = {
    {{0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5},
     {-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1},
     {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1}},
    {{-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1},
     {5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10},
     {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1}},
    {{-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1},
     {-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1},
     {10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15}},
};

__m128i Mask(const signed char* bytes) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

__m128i Gather(const __m128i piece[3], int channel) {
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(piece[0], Mask(kGather[channel][0])),
                                   _mm_shuffle_epi8(piece[1], Mask(kGather[channel][1]))),
                      _mm_shuffle_epi8(piece[2], Mask(kGather[channel][2])));
}

__m128i Scatter(__m128i blue, __m128i green, __m128i red, int piece) {
  return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blue, Mask(kScatter[piece][0])),
                                   _mm_shuffle_epi8(green, Mask(kScatter[piece][1]))),
                      _mm_shuffle_epi8(red, Mask(kScatter[piece][2])));
}

// floor(n / d) for the small numerators here, as a multiply by ceil(65536 / d): exact
// because n stays below 3400, where the rounding error stays under 1 / d.
__m256i DivideBy(__m256i n, short reciprocal) {
  return _mm256_mulhi_epu16(n, _mm256_set1_epi16(reciprocal));
}

// Pulled value where the channel stands out in a background pixel, old value elsewhere.
__m256i Pull(__m256i value, __m256i pulled, __m256i mean, __m256i background) {
  const __m256i standsOut = _mm256_cmpgt_epi16(value, _mm256_add_epi16(mean, _mm256_set1_epi16(6)));
  return _mm256_blendv_epi8(value, pulled, _mm256_and_si256(standsOut, background));
}

__m128i Narrow(__m256i words) {
  return _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
}

}  // namespace

void MapBytesAvx2(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) {
  // Sixteen 16-entry pieces of the table, one per high nibble, each in both lanes.
  __m256i pieces[16];
  for (int h = 0; h < 16; ++h)
    pieces[h] = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * h)));
  const __m256i lowNibble = _mm256_set1_epi8(0x0F);
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
    const __m256i low = _mm256_and_si256(in, lowNibble);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(in, 4), lowNibble);
    __m256i out = _mm256_setzero_si256();
    for (int h = 0; h < 16; ++h) {
      const __m256i mine = _mm256_cmpeq_epi8(high, _mm256_set1_epi8(static_cast<char>(h)));
      out = _mm256_or_si256(out, _mm256_and_si256(_mm256_shuffle_epi8(pieces[h], low), mine));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + i), out);
  }
  MapBytesPortable(bytes + i, count - i, table);
}

void AdjustBackgroundRowAvx2(std::uint8_t* pixels, int width, int threshold) {
  const __m256i limit = _mm256_set1_epi16(static_cast<short>(threshold));
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    std::uint8_t* p = pixels + 3 * x;
    __m128i piece[3];
    for (int k = 0; k < 3; ++k)
      piece[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m256i blue = _mm256_cvtepu8_epi16(Gather(piece, 0));
    const __m256i green = _mm256_cvtepu8_epi16(Gather(piece, 1));
    const __m256i red = _mm256_cvtepu8_epi16(Gather(piece, 2));
    const __m256i one = _mm256_set1_epi16(1);
    const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(blue, green), _mm256_add_epi16(red, one));
    const __m256i mean = DivideBy(sum, 21846);
    const __m256i background = _mm256_cmpgt_epi16(limit, mean);
    if (_mm256_testz_si256(background, background)) continue;
    const __m256i mean2 = _mm256_add_epi16(mean, mean);
    const __m256i bluePulled =
        DivideBy(_mm256_add_epi16(_mm256_add_epi16(blue, mean2), one), 21846);
    const __m256i green3 = _mm256_add_epi16(_mm256_add_epi16(green, green), green);
    const __m256i mean10 = _mm256_mullo_epi16(mean, _mm256_set1_epi16(10));
    const __m256i greenPulled =
        DivideBy(_mm256_add_epi16(_mm256_add_epi16(green3, mean10), _mm256_set1_epi16(6)), 5042);
    const __m256i mean5 = _mm256_mullo_epi16(mean, _mm256_set1_epi16(5));
    const __m256i redPulled = DivideBy(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(red, red), mean5), _mm256_set1_epi16(3)),
        9363);
    const __m128i b = Narrow(Pull(blue, bluePulled, mean, background));
    const __m128i g = Narrow(Pull(green, greenPulled, mean, background));
    const __m128i r = Narrow(Pull(red, redPulled, mean, background));
    for (int k = 0; k < 3; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * k), Scatter(b, g, r, k));
  }
  AdjustBackgroundRowPortable(pixels + 3 * x, width - x, threshold);
}

}  // namespace hosei
