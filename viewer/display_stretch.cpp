#include "display_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace hosei {

namespace {

// Where the stretch puts the background, and how far below it the shadows are clipped.
constexpr double kTargetBackground = 0.25;
constexpr double kShadowClipSpreads = 2.8;
// The median absolute deviation of normally spread noise, as its standard deviation.
constexpr double kNormalisedSpread = 1.4826;

// The midtones transfer function: 0 and 1 stay, `m` goes to one half.
double Midtones(double m, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  return (m - 1) * x / ((2 * m - 1) * x - m);
}

// The level below which half of the counted samples lie.
int MedianOf(const std::array<std::uint64_t, 256>& counts, std::uint64_t total) {
  std::uint64_t seen = 0;
  for (int level = 0; level < 256; ++level) {
    seen += counts[static_cast<std::size_t>(level)];
    if (2 * seen >= total) return level;
  }
  return 255;
}

LevelTable Identity() {
  LevelTable table{};
  for (int level = 0; level < 256; ++level)
    table[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(level);
  return table;
}

}  // namespace

LevelTable AutomaticStretch(const QImage& bgr) {
  std::array<std::uint64_t, 256> counts{};
  for (int y = 0; y < bgr.height(); ++y) {
    const std::uint8_t* row = bgr.constScanLine(y);
    for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(bgr.width()); ++i) ++counts[row[i]];
  }
  const std::uint64_t total = 3 * static_cast<std::uint64_t>(bgr.width()) * bgr.height();
  if (total == 0) return Identity();
  const int median = MedianOf(counts, total);
  std::array<std::uint64_t, 256> deviations{};
  for (int level = 0; level < 256; ++level)
    deviations[static_cast<std::size_t>(std::abs(level - median))] +=
        counts[static_cast<std::size_t>(level)];
  const double spread = kNormalisedSpread * MedianOf(deviations, total) / 255.0;
  const double middle = median / 255.0;
  if (spread <= 0 || middle >= kTargetBackground) return Identity();
  const double shadows = std::max(0.0, middle - kShadowClipSpreads * spread);
  const double background = (middle - shadows) / (1 - shadows);
  if (!(background > 0 && background < 1)) return Identity();
  // The curve that takes the background to the target.
  const double m = Midtones(kTargetBackground, background);
  LevelTable table{};
  for (int level = 0; level < 256; ++level) {
    const double x = (level / 255.0 - shadows) / (1 - shadows);
    table[static_cast<std::size_t>(level)] =
        static_cast<std::uint8_t>(std::lround(255.0 * Midtones(m, std::clamp(x, 0.0, 1.0))));
  }
  return table;
}

void ApplyLevels(QImage& bgr, const LevelTable& table) {
  for (int y = 0; y < bgr.height(); ++y) {
    std::uint8_t* row = bgr.scanLine(y);
    for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(bgr.width()); ++i)
      row[i] = table[row[i]];
  }
}

}  // namespace hosei
