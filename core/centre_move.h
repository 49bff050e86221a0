#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "moved_centre.h"

namespace hosei {

// The two answers of the centre dialog, as typed (hosei-cli's --centre X,Y).
struct CentreAnswers {
  std::string x;
  std::string y;
};

// The vignetting centre may be moved to within a fifth of the image size from each edge.
struct CentreMoveRule {
  int width = 0;
  int height = 0;
  float imageCentreX = 0;  // W / 2, possibly with a half
  float imageCentreY = 0;
  int lowX = 0, highX = 0;
  int lowY = 0, highY = 0;
};

// The rule for the recorded image size (the size texts read as numbers and rounded);
// nothing when no usable size is recorded.
std::optional<CentreMoveRule> CentreMoveRuleFor(double widthText, double heightText);

// Number-to-text as the centre dialog shows numbers: one space before a number that is not
// negative, a fraction only when there is one (" 320", " 320.5", "-4").
std::string NumberText(double value);

// The default answers of the two input boxes (their wording is the windows').
std::string CentreDefaultX(const CentreMoveRule& rule, const std::optional<MovedCentre>& moved);
std::string CentreDefaultY(const CentreMoveRule& rule, const std::optional<MovedCentre>& moved);

// The typed answer rounded (ties to even) when it lies in low..high; nothing means "back to
// the image centre". A cancelled box answers with empty text, which gives 0.
std::optional<int> AcceptCentreAnswer(std::string_view answer, int low, int high);

// The moved centre for accepted coordinates, with the squared distance to the farthest
// corner; nothing when the point is the image centre itself.
std::optional<MovedCentre> MoveCentre(const CentreMoveRule& rule, int x, int y);

// Both answers at once, as the batch command gets them: nothing means the image centre.
std::optional<MovedCentre> CentreFromAnswers(const CentreMoveRule& rule, std::string_view xAnswer,
                                             std::string_view yAnswer);

}  // namespace hosei
