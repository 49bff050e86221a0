// Writes a photo-like 24-bit BMP of any size for the benchmark: a sky that shades into a
// darker foreground, soft bands across both axes, a bright patch, and per-pixel grain, so
// no correction meets long runs of one colour. Deterministic; writes a row at a time, so
// even 30000 x 20000 (1.8 GB) takes seconds.
//
//   make_photo WIDTH HEIGHT FILE

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Put(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t Level(float value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_photo WIDTH HEIGHT FILE\n");
    return 2;
  }
  const long width = std::strtol(argv[1], nullptr, 10);
  const long height = std::strtol(argv[2], nullptr, 10);
  if (width < 1 || height < 1 || width > 65535 || height > 65535) {
    std::fprintf(stderr, "make_photo: size out of range\n");
    return 2;
  }
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
  const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height);
  if (54 + imageBytes > 0xFFFFFFFFu) {
    std::fprintf(stderr, "make_photo: too large for a BMP\n");
    return 2;
  }

  std::FILE* out = std::fopen(argv[3], "wb");
  if (!out) {
    std::perror(argv[3]);
    return 1;
  }

  std::uint8_t header[54] = {'B', 'M'};
  Put(header + 2, static_cast<std::uint32_t>(54 + imageBytes), 4);
  Put(header + 10, 54, 4);
  Put(header + 14, 40, 4);
  Put(header + 18, static_cast<std::uint32_t>(width), 4);
  Put(header + 22, static_cast<std::uint32_t>(height), 4);
  Put(header + 26, 1, 2);
  Put(header + 28, 24, 2);
  Put(header + 34, static_cast<std::uint32_t>(imageBytes), 4);
  Put(header + 38, 2835, 4);  // 72 dpi
  Put(header + 42, 2835, 4);
  std::fwrite(header, 1, sizeof header, out);

  // Column shading, worked out once: soft bands and a bright patch to the right.
  std::vector<float> column(static_cast<std::size_t>(width));
  for (long x = 0; x < width; ++x) {
    const float u = static_cast<float>(x) / static_cast<float>(width);
    const float patch = std::exp(-40.0f * (u - 0.7f) * (u - 0.7f));
    column[static_cast<std::size_t>(x)] =
        18.0f * std::sin(u * 9.0f) + 10.0f * std::sin(u * 31.0f + 1.0f) + 50.0f * patch;
  }

  std::vector<std::uint8_t> row(rowBytes, 0);
  std::uint32_t seed = 0x2545F491u;
  for (long y = 0; y < height; ++y) {  // bottom row first, as a BMP stores them
    const float v = static_cast<float>(y) / static_cast<float>(height);
    // Dark warm ground below the horizon, a sky brightening upwards above it.
    const float horizon = 0.4f;
    const float t = v < horizon ? v / horizon : (v - horizon) / (1.0f - horizon);
    const float blue = v < horizon ? 25.0f + 60.0f * t : 150.0f + 90.0f * t;
    const float green = v < horizon ? 35.0f + 70.0f * t : 120.0f + 80.0f * t;
    const float red = v < horizon ? 45.0f + 70.0f * t : 90.0f + 60.0f * t;
    const float band = 12.0f * std::sin(v * 23.0f);
    std::uint8_t* p = row.data();
    for (long x = 0; x < width; ++x, p += 3) {
      seed ^= seed << 13;  // xorshift32 grain
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const float shade = column[static_cast<std::size_t>(x)] + band;
      const float grain = static_cast<float>(seed & 0x1F) - 15.5f;
      p[0] = Level(blue + shade + grain);
      p[1] = Level(green + shade + grain * 0.8f);
      p[2] = Level(red + shade * 0.9f + grain);
    }
    if (std::fwrite(row.data(), 1, rowBytes, out) != rowBytes) {
      std::perror(argv[3]);
      std::fclose(out);
      return 1;
    }
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[3]);
    return 1;
  }
  return 0;
}
