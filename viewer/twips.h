#pragma once

#include <QRect>

namespace hosei {

// Window geometry is laid out in twips: 15 twips are one logical pixel (96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

int TwipsToPixels(int twips);

// A control rectangle given in twips. Both edges are rounded, so controls that touch in
// twips still touch in pixels.
QRect TwipsRect(int left, int top, int width, int height);

}  // namespace hosei
