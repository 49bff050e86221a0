#include "centre_move.h"

#include <charconv>
#include <cmath>

#include "leading_number.h"

namespace hosei {

std::optional<CentreMoveRule> CentreMoveRuleFor(double widthText, double heightText) {
  const double w = std::nearbyint(widthText);
  const double h = std::nearbyint(heightText);
  if (!(w >= 1 && w <= 65535 && h >= 1 && h <= 65535)) return std::nullopt;
  CentreMoveRule rule;
  rule.width = static_cast<int>(w);
  rule.height = static_cast<int>(h);
  rule.imageCentreX = static_cast<float>(rule.width / 2.0);
  rule.imageCentreY = static_cast<float>(rule.height / 2.0);
  rule.lowX = rule.width / 5;
  rule.highX = rule.width - rule.width / 5;
  rule.lowY = rule.height / 5;
  rule.highY = rule.height - rule.height / 5;
  return rule;
}

std::string NumberText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, error == std::errc() ? end : buffer);
  if (text == "-0") text = "0";
  return value >= 0 || text == "0" ? " " + text : text;
}

std::string CentreDefaultX(const CentreMoveRule& rule, const std::optional<MovedCentre>& moved) {
  return NumberText(moved ? moved->x : rule.imageCentreX);
}

std::string CentreDefaultY(const CentreMoveRule& rule, const std::optional<MovedCentre>& moved) {
  return NumberText(moved ? moved->y : rule.imageCentreY);
}

std::optional<int> AcceptCentreAnswer(std::string_view answer, int low, int high) {
  const auto value = RoundToRange(LeadingNumber(answer), low, high);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::optional<MovedCentre> MoveCentre(const CentreMoveRule& rule, int x, int y) {
  if (x == rule.imageCentreX && y == rule.imageCentreY) return std::nullopt;
  const double dx = rule.imageCentreX < x ? x : rule.width - x;
  const double dy = rule.imageCentreY < y ? y : rule.height - y;
  return MovedCentre{x, y, static_cast<float>(dx * dx + dy * dy)};
}

std::optional<MovedCentre> CentreFromAnswers(const CentreMoveRule& rule, std::string_view xAnswer,
                                             std::string_view yAnswer) {
  const auto x = AcceptCentreAnswer(xAnswer, rule.lowX, rule.highX);
  if (!x) return std::nullopt;
  const auto y = AcceptCentreAnswer(yAnswer, rule.lowY, rule.highY);
  if (!y) return std::nullopt;
  return MoveCentre(rule, *x, *y);
}

}  // namespace hosei
