#include "fonts.h"

#include <QStringList>

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

}  // namespace hosei
