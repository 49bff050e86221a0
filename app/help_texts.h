#pragma once

namespace hosei {

// Texts of the help line (Label13). Two-line texts break with a line feed.

inline constexpr const char* kStartupHelp = "まず、処理するファイルを指定ください";

// What each parameter field means, shown while it is being edited.
inline constexpr const char* kStartHelp =
    "周辺減光の開始位置を、指定します\n　中心が0、四隅が100です";
inline constexpr const char* kCoefficientHelp =
    "周辺減光の補正値を入力します \n　大きな値ほど、効果が大きくなります";
inline constexpr const char* kLightCentreHelp =
    "明るさを変える中心座標を入力します\n　画像の範囲外でも可能です";
inline constexpr const char* kLightSizeHelp =
    "明るさを変える範囲を入力します\n　少し大きめにとるほうがよいようです";
inline constexpr const char* kBrightnessHelp =
    "変化させる明るさを入力します\n　正（＋）は明るく、負（－）は暗くします";
inline constexpr const char* kGammaHelp =
    "補正するγ値を入力します\n１で無補正、大きな値で明るくなります";

// What a chosen boundary softness does.
inline constexpr const char* kSharpBoundaryHelp = "効果の境界がはっきりわかるよう補正します";
inline constexpr const char* kIntermediateBoundaryHelp = "効果の境界は中間の補正です";
inline constexpr const char* kSoftBoundaryHelp = "効果の境界をなめらかに補正します";

}  // namespace hosei
