#include "caption_fit.h"

#include <QFontMetricsF>

namespace hosei {

namespace {

constexpr double kPointStep = 0.25;
const QString kEllipsis = QStringLiteral("…");

bool AllFit(const QStringList& lines, const QFont& font, int width) {
  const QFontMetricsF metrics(font);
  for (const QString& line : lines)
    if (metrics.horizontalAdvance(line) > width) return false;
  return true;
}

// Keeps a surrogate pair whole when a cut would fall between its halves.
int AwayFromPairMiddle(const QString& text, int cut, int direction) {
  if (cut > 0 && cut < text.size() && text.at(cut).isLowSurrogate()) return cut + direction;
  return cut;
}

}  // namespace

QString ElideMiddle(const QString& line, const QFont& font, int width) {
  const QFontMetricsF metrics(font);
  if (metrics.horizontalAdvance(line) <= width) return line;
  const qsizetype firstSeparator = line.indexOf(QLatin1Char('/'));
  const qsizetype lastSeparator = line.lastIndexOf(QLatin1Char('/'));
  if (firstSeparator >= 0 && lastSeparator > firstSeparator + 1) {
    const QString head = line.left(firstSeparator + 1);
    const QString folders = line.mid(firstSeparator + 1, lastSeparator - firstSeparator - 1);
    const QString tail = line.mid(lastSeparator);
    // The longest cut that fits keeps as much of both ends of the folder part as it can.
    for (qsizetype kept = folders.size() - 1; kept >= 0; --kept) {
      const int front = AwayFromPairMiddle(folders, static_cast<int>((kept + 1) / 2), -1);
      const int back = AwayFromPairMiddle(folders, static_cast<int>(folders.size() - kept / 2), +1);
      const QString candidate = head + folders.left(front) + kEllipsis + folders.mid(back) + tail;
      if (metrics.horizontalAdvance(candidate) <= width) return candidate;
    }
  }
  return metrics.elidedText(line, Qt::ElideMiddle, width);
}

FittedCaption FitCaption(const QString& text, const QFont& font, int width, double smallestPoints) {
  FittedCaption fitted{font, text.split(QLatin1Char('\n')), false};
  // A face set in pixels has no points to take down; it is only elided.
  if (fitted.font.pointSizeF() > 0) {
    while (!AllFit(fitted.lines, fitted.font, width) &&
           fitted.font.pointSizeF() - kPointStep >= smallestPoints)
      fitted.font.setPointSizeF(fitted.font.pointSizeF() - kPointStep);
  }
  for (QString& line : fitted.lines) {
    QString shown = ElideMiddle(line, fitted.font, width);
    if (shown != line) {
      fitted.elided = true;
      line = std::move(shown);
    }
  }
  return fitted;
}

}  // namespace hosei
