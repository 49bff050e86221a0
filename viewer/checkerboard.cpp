#include "checkerboard.h"

#include <QPainter>

namespace hosei {

QImage OverItsAlpha(const QImage& bgr, const std::uint8_t* alpha) {
  QImage result(bgr.size(), QImage::Format_ARGB32);
  if (result.isNull()) return result;
  const int width = bgr.width();
  for (int y = 0; y < bgr.height(); ++y) {
    const std::uint8_t* in = bgr.constScanLine(y);
    const std::uint8_t* opacity = alpha + static_cast<std::size_t>(y) * width;
    auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < width; ++x, in += 3) out[x] = qRgba(in[2], in[1], in[0], opacity[x]);
  }
  return result;
}

void PaintCheckerboard(QPainter& painter, const QRect& area) {
  if (area.isEmpty()) return;
  painter.fillRect(area, QColor(kCheckerLight, kCheckerLight, kCheckerLight));
  const QColor dark(kCheckerDark, kCheckerDark, kCheckerDark);
  const auto first = [](int from) {
    return from - ((from % kCheckerSquare) + kCheckerSquare) % kCheckerSquare;
  };
  for (int y = first(area.top()); y <= area.bottom(); y += kCheckerSquare)
    for (int x = first(area.left()); x <= area.right(); x += kCheckerSquare)
      if (((x / kCheckerSquare) + (y / kCheckerSquare)) % 2 != 0)
        painter.fillRect(QRect(x, y, kCheckerSquare, kCheckerSquare) & area, dark);
}

}  // namespace hosei
