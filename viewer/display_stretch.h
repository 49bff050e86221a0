#pragma once

#include <QImage>
#include <array>
#include <cstdint>

namespace hosei {

// A new level for each of the 256 levels of a byte.
using LevelTable = std::array<std::uint8_t, 256>;

// The automatic stretch astronomy programs show linear pictures with: the shadows clipped a
// few spreads (normalised median absolute deviations) below the median, and the median
// lifted to a quarter of full scale by a midtones transfer curve. One table for all three
// channels keeps the colours' balance. A picture whose median is already that bright, and one
// without spread (a flat field), are left as they are.
LevelTable AutomaticStretch(const QImage& bgr);

// Every byte of a blue, green, red image through `table`.
void ApplyLevels(QImage& bgr, const LevelTable& table);

}  // namespace hosei
