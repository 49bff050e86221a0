#include "field_help.h"

#include <array>

namespace hosei {

namespace {

// Both coordinates of the light centre share one text.
constexpr const char* kLightCentreHelp =
    "明るさを変える中心座標を入力します\n　画像の範囲外でも可能です";

struct FieldHelp {
  Field field;
  const char* text;
};

constexpr std::array<FieldHelp, kFieldCount> kFieldHelp = {{
    {Field::kStart, "周辺減光の開始位置を、指定します\n　中心が0、四隅が100です"},
    {Field::kCoefficient, "周辺減光の補正値を入力します \n　大きな値ほど、効果が大きくなります"},
    {Field::kLightX, kLightCentreHelp},
    {Field::kLightY, kLightCentreHelp},
    {Field::kSize, "明るさを変える範囲を入力します\n　少し大きめにとるほうがよいようです"},
    {Field::kBrightness, "変化させる明るさを入力します\n　正（＋）は明るく、負（－）は暗くします"},
    {Field::kGamma, "補正するγ値を入力します\n１で無補正、大きな値で明るくなります"},
    {Field::kBoundary,
     "効果の境界のなめらかさの指定をします\n　Soft なめらかに Sharp きつめに 補正します"},
    {Field::kThreshold,
     "入力された値以下をバックグラウンドと見なします\n　8bitですので、0が黒、255が白です"},
}};

}  // namespace

const char* HelpLineOf(Field field) {
  for (const FieldHelp& help : kFieldHelp)
    if (help.field == field) return help.text;
  return "";
}

}  // namespace hosei
