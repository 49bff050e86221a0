#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace hosei {

// The windows' proportional Japanese Gothic face, with fall-backs for machines that carry
// another Japanese font, so that no text turns into empty boxes.
QFont GothicFont(double pointSize);

// The serif (Mincho) face of the version label.
QFont MinchoFont(double pointSize);

inline constexpr double kWindowFontPoints = 9.0;

// Makes a one-line text fit the width its control was designed with, by taking its face
// down in quarter points (not below `smallestPoints`): this face runs wider than the one
// the windows were drawn for, and moving controls would break the layout.
void ShrinkFontToFit(QWidget& control, const QString& text, double smallestPoints);

}  // namespace hosei
