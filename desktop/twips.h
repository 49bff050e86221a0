#pragma once

#include <QRect>

namespace hosei {

// Window geometry is laid out in twips: 15 twips are one logical pixel (96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

int TwipsToPixels(int twips);

// A control rectangle given in twips. Both edges are rounded, so controls that touch in
// twips still touch in pixels.
QRect TwipsRect(int left, int top, int width, int height);

// A control rectangle in twips, as a layout table holds it.
struct TwipsBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

inline QRect TwipsRect(const TwipsBox& box) {
  return TwipsRect(box.left, box.top, box.width, box.height);
}

}  // namespace hosei
