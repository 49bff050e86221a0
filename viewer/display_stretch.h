#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hosei {

// For each level a sample can take (256 of a byte, 65536 of a deep picture's 16 bits), the
// byte it is shown as.
using ShownLevels = std::vector<std::uint8_t>;

// How many samples of a picture take each level.
std::vector<std::uint64_t> LevelCounts(const QImage& bgr);
std::vector<std::uint64_t> LevelCounts(const std::vector<std::uint16_t>& samples);

// The automatic stretch astronomy programs show linear pictures with: the shadows clipped a
// few spreads (normalised median absolute deviations) below the median, and the median
// lifted to a quarter of full scale by a midtones transfer curve, worked out from `counts`.
// One curve for all three channels keeps the colours' balance. A picture whose median is
// already that bright, and one without spread (a flat field), are shown as they are.
ShownLevels AutomaticStretch(const std::vector<std::uint64_t>& counts);

// Each of `levels` levels as the nearest byte, as the readers reduce deep samples.
ShownLevels Unstretched(std::size_t levels);

// The bytes of `part` of a blue, green, red image through `levels` (of 256).
void ApplyLevels(QImage& bgr, const QRect& part, const ShownLevels& levels);
// Deep samples (`part`'s pixels of three, row by row) shown through `levels` (of 65536) as
// the bytes of `part` of a blue, green, red image.
void ShowThrough(const std::vector<std::uint16_t>& samples, const ShownLevels& levels, QImage& bgr,
                 const QRect& part);

}  // namespace hosei
