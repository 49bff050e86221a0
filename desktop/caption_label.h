#pragma once

#include <QLabel>

#include "caption_fit.h"

namespace hosei {

// Captions are never set below this size to make a text fit.
inline constexpr double kSmallestCaptionPoints = 7.5;

// A caption whose text may change at run time: a status naming a path, a help line, a
// moved centre. text() stays the whole caption. It is drawn in a smaller face when it
// runs wider than the box the caption was designed with, and elided in its middle when
// even that is too wide; then the whole text is the caption's tooltip.
class CaptionLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CaptionLabel(const QString& text, QWidget* parent = nullptr);

  // What is drawn for the present text, face and width.
  FittedCaption fitted() const;
  // The width the text may take: the box, as far as the window shows it (the help line's
  // box reaches a few pixels beyond the main window's edge).
  int shownWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace hosei
