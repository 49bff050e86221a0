#pragma once

#include <optional>

#include "centre_move.h"
#include "moved_centre.h"

class QWidget;

namespace hosei {

class PlatformServices;

// Asks for the vignetting centre in two input boxes, x first, offering the current centre
// (`current` when one is set). The y box is not shown when x is refused. Nothing means
// "back to the image centre": an answer out of range, not a number, cancelled, or the
// image centre itself.
// Title and prompts of the two input boxes.
inline constexpr const char* kCentreInputTitle = "中心座標の入力";
std::string CentrePromptX(const CentreMoveRule& rule);
std::string CentrePromptY(const CentreMoveRule& rule);

std::optional<MovedCentre> AskMovedCentre(PlatformServices& services, QWidget* parent,
                                          const CentreMoveRule& rule,
                                          const std::optional<MovedCentre>& current);

}  // namespace hosei
