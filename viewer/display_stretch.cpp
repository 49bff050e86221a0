#include "display_stretch.h"

#include <algorithm>
#include <cmath>

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
std::size_t MedianOf(const std::vector<std::uint64_t>& counts, std::uint64_t total) {
  std::uint64_t seen = 0;
  for (std::size_t level = 0; level < counts.size(); ++level) {
    seen += counts[level];
    if (2 * seen >= total) return level;
  }
  return counts.size() - 1;
}

}  // namespace

ShownLevels Unstretched(std::size_t levels) {
  ShownLevels shown(levels);
  const double top = static_cast<double>(levels - 1);
  for (std::size_t level = 0; level < levels; ++level)
    shown[level] = static_cast<std::uint8_t>(std::lround(255.0 * static_cast<double>(level) / top));
  return shown;
}

std::vector<std::uint64_t> LevelCounts(const QImage& bgr) {
  std::vector<std::uint64_t> counts(256);
  for (int y = 0; y < bgr.height(); ++y) {
    const std::uint8_t* row = bgr.constScanLine(y);
    for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(bgr.width()); ++i) ++counts[row[i]];
  }
  return counts;
}

std::vector<std::uint64_t> LevelCounts(const std::vector<std::uint16_t>& samples) {
  std::vector<std::uint64_t> counts(65536);
  for (const std::uint16_t sample : samples) ++counts[sample];
  return counts;
}

ShownLevels AutomaticStretch(const std::vector<std::uint64_t>& counts) {
  std::uint64_t total = 0;
  for (const std::uint64_t count : counts) total += count;
  if (counts.size() < 2 || total == 0) return Unstretched(std::max<std::size_t>(counts.size(), 1));
  const double top = static_cast<double>(counts.size() - 1);
  const std::size_t median = MedianOf(counts, total);
  std::vector<std::uint64_t> deviations(counts.size());
  for (std::size_t level = 0; level < counts.size(); ++level)
    deviations[level > median ? level - median : median - level] += counts[level];
  const double spread = kNormalisedSpread * static_cast<double>(MedianOf(deviations, total)) / top;
  const double middle = static_cast<double>(median) / top;
  if (spread <= 0 || middle >= kTargetBackground) return Unstretched(counts.size());
  const double shadows = std::max(0.0, middle - kShadowClipSpreads * spread);
  const double background = (middle - shadows) / (1 - shadows);
  if (!(background > 0 && background < 1)) return Unstretched(counts.size());
  // The curve that takes the background to the target.
  const double m = Midtones(kTargetBackground, background);
  ShownLevels shown(counts.size());
  for (std::size_t level = 0; level < counts.size(); ++level) {
    const double x = (static_cast<double>(level) / top - shadows) / (1 - shadows);
    shown[level] =
        static_cast<std::uint8_t>(std::lround(255.0 * Midtones(m, std::clamp(x, 0.0, 1.0))));
  }
  return shown;
}

void ApplyLevels(QImage& bgr, const QRect& part, const ShownLevels& levels) {
  const QRect cut = part & bgr.rect();
  for (int y = cut.top(); y <= cut.bottom(); ++y) {
    std::uint8_t* row = bgr.scanLine(y) + 3 * static_cast<std::size_t>(cut.left());
    for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(cut.width()); ++i)
      row[i] = levels[row[i]];
  }
}

void ShowThrough(const std::vector<std::uint16_t>& samples, const ShownLevels& levels, QImage& bgr,
                 const QRect& part) {
  const std::size_t rowSamples = 3 * static_cast<std::size_t>(part.width());
  if (samples.size() < rowSamples * static_cast<std::size_t>(part.height())) return;
  for (int i = 0; i < part.height(); ++i) {
    const std::uint16_t* in = samples.data() + rowSamples * static_cast<std::size_t>(i);
    std::uint8_t* out = bgr.scanLine(part.top() + i) + 3 * static_cast<std::size_t>(part.left());
    for (std::size_t s = 0; s < rowSamples; ++s) out[s] = levels[in[s]];
  }
}

}  // namespace hosei
