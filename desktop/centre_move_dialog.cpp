#include "centre_move_dialog.h"

#include <QString>

#include "platform_services.h"

namespace hosei {

namespace {

std::string Prompt(const char* axis, int low, int high, float centre) {
  return std::string("中心の ") + axis + " 座標  （" + NumberText(low) + " -" + NumberText(high) +
         "）　　中心は " + NumberText(centre) + "\r\n\r\n" +
         " 範囲外の数字や『キャンセル』で画像の中心へ戻ります";
}

std::optional<int> Ask(PlatformServices& services, QWidget* parent, const std::string& prompt,
                       const std::string& defaultAnswer, int low, int high) {
  const QString answer =
      services.askText(parent, QString::fromStdString(prompt), QString::fromUtf8(kCentreInputTitle),
                       QString::fromStdString(defaultAnswer));
  return AcceptCentreAnswer(answer.toStdString(), low, high);
}

}  // namespace

std::string CentrePromptX(const CentreMoveRule& rule) {
  return Prompt("ｘ", rule.lowX, rule.highX, rule.imageCentreX);
}

std::string CentrePromptY(const CentreMoveRule& rule) {
  return Prompt("ｙ", rule.lowY, rule.highY, rule.imageCentreY);
}

std::optional<MovedCentre> AskMovedCentre(PlatformServices& services, QWidget* parent,
                                          const CentreMoveRule& rule,
                                          const std::optional<MovedCentre>& current) {
  const auto x = Ask(services, parent, CentrePromptX(rule), CentreDefaultX(rule, current),
                     rule.lowX, rule.highX);
  if (!x) return std::nullopt;
  const auto y = Ask(services, parent, CentrePromptY(rule), CentreDefaultY(rule, current),
                     rule.lowY, rule.highY);
  if (!y) return std::nullopt;
  return MoveCentre(rule, *x, *y);
}

}  // namespace hosei
