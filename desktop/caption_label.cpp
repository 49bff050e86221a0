#include "caption_label.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace hosei {

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
}

FittedCaption CaptionLabel::fitted() const {
  return FitCaption(text(), font(), shownWidth(), kSmallestCaptionPoints);
}

int CaptionLabel::shownWidth() const {
  const QRect box = contentsRect();
  int width = box.width();
  if (const QWidget* window = parentWidget())
    width = std::min(width, window->width() - x() - box.left());
  return std::max(width, 0);
}

void CaptionLabel::paintEvent(QPaintEvent* /*event*/) {
  const FittedCaption caption = fitted();
  // QLabel has no signal for a new text; every new text is painted, so the tooltip is
  // brought up to date here.
  const QString tip = caption.elided ? text() : QString();
  if (toolTip() != tip) setToolTip(tip);

  QPainter painter(this);
  drawFrame(&painter);
  painter.setFont(caption.font);
  style()->drawItemText(&painter, contentsRect(),
                        QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                        isEnabled(), caption.lines.join(QLatin1Char('\n')), foregroundRole());
}

}  // namespace hosei
