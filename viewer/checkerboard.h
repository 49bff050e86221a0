#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>

class QPainter;

namespace hosei {

// The side of a checkerboard square, in the window's pixels.
inline constexpr int kCheckerSquare = 8;
// Its two greys, as photo tools show transparency.
inline constexpr int kCheckerLight = 0xff;
inline constexpr int kCheckerDark = 0xcc;

// Blue, green, red bytes with one opacity byte a pixel (`alpha`, image.width() bytes a
// row), as an image that can be drawn over something else.
QImage OverItsAlpha(const QImage& bgr, const std::uint8_t* alpha);

// Squares aligned on the painter's origin, so they stay put as a picture moves over them.
void PaintCheckerboard(QPainter& painter, const QRect& area);

}  // namespace hosei
