#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace hosei {

// How a caption is drawn in a box of a given width.
struct FittedCaption {
  QFont font;
  QStringList lines;
  bool elided = false;  // some line lost characters to fit
};

// Takes the face down in quarter points until every line of `text` fits `width`, but not
// below `smallestPoints`; what still does not fit is elided in its middle (ElideMiddle).
// The windows' face runs wider than the one their boxes were designed for, and a path or
// a result name can be any length.
FittedCaption FitCaption(const QString& text, const QFont& font, int width, double smallestPoints);

// One line made to fit `width` by putting "…" in place of characters from its middle. In a
// line that names a path, only the folders between the path's first and last "/" are cut,
// so the start of the path, the file name and the words around it stay readable as long
// as they fit at all; otherwise the middle of the whole line goes.
QString ElideMiddle(const QString& line, const QFont& font, int width);

}  // namespace hosei
