#include "twips.h"

#include <cmath>

namespace hosei {

int TwipsToPixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height) {
  const int x = TwipsToPixels(left);
  const int y = TwipsToPixels(top);
  return QRect(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

}  // namespace hosei
