// Writes the bundled sample photo: a synthetic 1200 x 800 landscape, 24-bit BMP, with
// the two faults hosei corrects made visible on purpose: the corners darkened as a
// wide-angle lens does, and a blue-green cast in the dark foreground.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;

struct Colour {
  double blue, green, red;
};

Colour Mix(const Colour& a, const Colour& b, double t) {
  return {a.blue + (b.blue - a.blue) * t, a.green + (b.green - a.green) * t,
          a.red + (b.red - a.red) * t};
}

// Deterministic grain, so every build makes the same file.
double Grain(int x, int y) {
  std::uint32_t h =
      static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<double>((h ^ (h >> 16)) & 0xFF) / 255.0 - 0.5;
}

// The scene before the lens: y counts from the bottom as the bitmap stores it.
Colour Scene(int x, int y) {
  const double u = static_cast<double>(x) / kWidth;
  const double v = static_cast<double>(y) / kHeight;
  const double ridge = 0.42 + 0.08 * std::sin(u * 7.0) + 0.04 * std::sin(u * 17.0 + 1.3);
  const double shore = 0.22 + 0.03 * std::sin(u * 11.0 + 0.5);
  Colour c;
  if (v > ridge) {
    c = Mix({235, 215, 200}, {210, 150, 90}, std::min(1.0, (v - ridge) / (1.0 - ridge)));
    const double sx = u - 0.72, sy = v - 0.78;
    const double sun = std::sqrt(sx * sx * 2.25 + sy * sy);
    if (sun < 0.06)
      c = {200, 245, 255};
    else if (sun < 0.12)
      c = Mix({200, 245, 255}, c, (sun - 0.06) / 0.06);
  } else if (v > shore) {
    c = Mix({60, 120, 70}, {90, 150, 110}, (v - shore) / (ridge - shore));
    c = Mix(c, {80, 90, 140}, 0.25 + 0.25 * std::sin(u * 40.0 + v * 25.0));
  } else {
    // Dark foreground with a blue-green cast: the background adjustment pulls it to grey.
    c = Mix({52, 40, 22}, {70, 55, 34}, v / shore);
  }
  const double g = Grain(x, y) * 10.0;
  return {c.blue + g, c.green + g, c.red + g};
}

// Corner darkening of a wide-angle lens: full light in the middle, about 45 % lost at
// the corners.
double LensFalloff(int x, int y) {
  const double dx = x - kWidth / 2.0, dy = y - kHeight / 2.0;
  const double r =
      std::sqrt(dx * dx + dy * dy) / std::sqrt(kWidth * kWidth / 4.0 + kHeight * kHeight / 4.0);
  return 1.0 - 0.45 * std::pow(r, 2.4);
}

std::uint8_t Level(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hosei-make-sample OUT.bmp\n");
    return 2;
  }
  const std::size_t rowLength = (kWidth * 3 + 3) / 4 * 4;
  const std::size_t pixelBytes = rowLength * kHeight;
  std::vector<std::uint8_t> file(54 + pixelBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put(file, 2, static_cast<std::uint32_t>(file.size()), 4);
  Put(file, 10, 54, 4);
  Put(file, 14, 40, 4);
  Put(file, 18, kWidth, 4);
  Put(file, 22, kHeight, 4);
  Put(file, 26, 1, 2);
  Put(file, 28, 24, 2);
  Put(file, 34, static_cast<std::uint32_t>(pixelBytes), 4);
  Put(file, 38, 2835, 4);
  Put(file, 42, 2835, 4);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = file.data() + 54 + static_cast<std::size_t>(y) * rowLength;
    for (int x = 0; x < kWidth; ++x) {
      const Colour c = Scene(x, y);
      const double falloff = LensFalloff(x, y);
      row[3 * x] = Level(c.blue * falloff);
      row[3 * x + 1] = Level(c.green * falloff);
      row[3 * x + 2] = Level(c.red * falloff);
    }
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    std::fprintf(stderr, "hosei-make-sample: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
