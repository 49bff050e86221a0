#include "pixel_loops.h"

namespace hosei {

bool HasAvx2() { return __builtin_cpu_supports("avx2"); }

void MapBytes(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) {
  if (HasAvx2()) {
    MapBytesAvx2(bytes, count, table);
  } else {
    MapBytesPortable(bytes, count, table);
  }
}

void AdjustBackgroundRow(std::uint8_t* pixels, int width, int threshold) {
  if (HasAvx2()) {
    AdjustBackgroundRowAvx2(pixels, width, threshold);
  } else {
    AdjustBackgroundRowPortable(pixels, width, threshold);
  }
}

void MapBytesPortable(std::uint8_t* bytes, std::size_t count, const std::uint8_t* table) {
  for (std::size_t i = 0; i < count; ++i) bytes[i] = table[bytes[i]];
}

// Written without branches and in unsigned arithmetic so the compiler can vectorise it;
// each result is what AdjustBackground gives.
void AdjustBackgroundRowPortable(std::uint8_t* pixels, int width, int threshold) {
  const unsigned limit = static_cast<unsigned>(threshold);
  for (int x = 0; x < width; ++x) {
    std::uint8_t* p = pixels + 3 * x;
    const unsigned blue = p[0], green = p[1], red = p[2];
    const unsigned mean = (blue + green + red + 1) / 3;
    const unsigned background = mean < limit;
    // All ones where the channel is pulled, zero where it keeps its level.
    const unsigned pullBlue = 0u - (background & (blue > mean + 6));
    const unsigned pullGreen = 0u - (background & (green > mean + 6));
    const unsigned pullRed = 0u - (background & (red > mean + 6));
    const unsigned bluePulled = (blue + 2 * mean + 1) / 3;
    const unsigned greenPulled = (3 * green + 10 * mean + 6) / 13;
    const unsigned redPulled = (2 * red + 5 * mean + 3) / 7;
    p[0] = static_cast<std::uint8_t>((bluePulled & pullBlue) | (blue & ~pullBlue));
    p[1] = static_cast<std::uint8_t>((greenPulled & pullGreen) | (green & ~pullGreen));
    p[2] = static_cast<std::uint8_t>((redPulled & pullRed) | (red & ~pullRed));
  }
}

}  // namespace hosei
