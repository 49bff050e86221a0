#pragma once

namespace hosei {

// Texts of the help line (Label13). Two-line texts break with a line feed.

inline constexpr const char* kStartupHelp = "まず、処理するファイルを指定ください";

// What a chosen boundary softness does.
inline constexpr const char* kSharpBoundaryHelp = "効果の境界がはっきりわかるよう補正します";
inline constexpr const char* kIntermediateBoundaryHelp = "効果の境界は中間の補正です";
inline constexpr const char* kSoftBoundaryHelp = "効果の境界をなめらかに補正します";

// What a control does, shown while the mouse moves over it. What each parameter field
// means, shown while it is edited and over its caption, is in desktop/field_help.h.
inline constexpr const char* kVignettingModeHelp = "周辺減光の補正をします";
inline constexpr const char* kFogModeHelp = "かぶりを除去します\n明るくも、暗くもできます";
inline constexpr const char* kGammaModeHelp = "画像全体に対し一様にガンマ補正します";
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
