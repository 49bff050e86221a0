#include "refusal_help.h"

#include <array>

#include "problem_texts.h"

namespace hosei {

namespace {

// The fields as their captions in the main window name them, by Field. The captions carry
// ranges of their own, which the accepted values replace here; the light centre's y has
// only its letter beside it, so both coordinates are named in full.
constexpr std::array<const char*, kFieldCount> kFieldNames = {
    "周辺減光の開始", "減光係数", "光源の x 座標", "光源の y 座標",    "大きさ",
    "明るさ",         "ガンマ値", "境界",          "バックグラウンド",
};

}  // namespace

QString RefusalHelp(const Refusal& refusal) {
  return QStringLiteral("%1は次の範囲で入力してください\n　%2")
      .arg(QString::fromUtf8(kFieldNames[static_cast<std::size_t>(refusal.field)]),
           QString::fromStdString(AcceptedText(refusal.field)));
}

}  // namespace hosei
