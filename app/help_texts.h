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

// What a control does, shown while the mouse moves over it. The labels of the parameter
// fields explain their fields in the fields' own words, above.
inline constexpr const char* kVignettingModeHelp = "周辺減光の補正をします";
inline constexpr const char* kFogModeHelp = "かぶりを除去します\n明るくも、暗くもできます";
inline constexpr const char* kGammaModeHelp = "画像全体に対し一様にガンマ補正します";
inline constexpr const char* kThresholdHelp =
    "入力された値以下をバックグラウンドと見なします\n　8bitですので、0が黒、255が白です";
inline constexpr const char* kBoundaryHelp =
    "効果の境界のなめらかさの指定をします\n　Soft なめらかに Sharp きつめに 補正します";
inline constexpr const char* kVersionHelp = "このプログラムのバージョンが表示されています";
inline constexpr const char* kBackgroundHelp =
    "バックグラウンドの調整をします\n　グレーに近づけます";
inline constexpr const char* kShowImageHelp =
    "読み込んだ画像を表示します\n　特に問題ない限りチェックは付けておいてください";
inline constexpr const char* kGuideLinesHelp =
    "ファイルを読み込むときに\n　100ドット単位で補助線を表示します";
// Execute's second line names the result file it will write.
inline constexpr const char* kExecuteHelp = "処理を開始します";
inline constexpr const char* kExecuteResultHelp = " で（上書き）保存されます";
inline constexpr const char* kExitHelp = "プログラムを終了します";
inline constexpr const char* kChooseFileHelp = "処理するファイルを読み込みます";
inline constexpr const char* kVignettingCircleHelp =
    "画像上に周辺減光補正範囲の、補助円を表示します\n　画像をダブルクリックすると円は消えます";
inline constexpr const char* kFogCircleHelp =
    "画像上にかぶり補正範囲の、補助円を表示します\n　画像をダブルクリックすると円は消えます";
inline constexpr const char* kCentreMoveHelp =
    "トリミング等で、周辺減光が画像の中心とズレているとき\n"
    "　使用します。ｘｙ座標（左下が原点）をｄｏｔ単位で指定します";
inline constexpr const char* kCurrentFileHelp =
    "現在処理中のファイル名です。再度読み込まない限り\n"
    "　このファイルについて処理をやり直すことになります";

}  // namespace hosei
