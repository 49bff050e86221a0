#pragma once

#include <QFont>

namespace hosei {

// The windows' proportional Japanese Gothic face, with fall-backs for machines that carry
// another Japanese font, so that no text turns into empty boxes.
QFont GothicFont(double pointSize);

// The serif (Mincho) face of the version label.
QFont MinchoFont(double pointSize);

inline constexpr double kWindowFontPoints = 9.0;

}  // namespace hosei
