#include "fonts.h"

#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

namespace hosei {

namespace {

QFont FontOf(const QStringList& families, QFont::StyleHint hint, double pointSize) {
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(hint);
  font.setPointSizeF(pointSize);
  return font;
}

}  // namespace

QFont GothicFont(double pointSize) {
  return FontOf({"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"},
                QFont::SansSerif, pointSize);
}

QFont MinchoFont(double pointSize) {
  return FontOf({"IPAPMincho", "IPAMincho", "Noto Serif CJK JP", "TakaoPMincho"}, QFont::Serif,
                pointSize);
}

void ShrinkFontToFit(QWidget& control, const QString& text, double smallestPoints) {
  QFont font = control.font();
  while (QFontMetrics(font).horizontalAdvance(text) > control.width() &&
         font.pointSizeF() - 0.25 >= smallestPoints)
    font.setPointSizeF(font.pointSizeF() - 0.25);
  control.setFont(font);
}

}  // namespace hosei
