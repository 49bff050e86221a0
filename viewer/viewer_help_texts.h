#pragma once

namespace hosei {

// What the viewer's controls do, for the main window's help line.
inline constexpr const char* kZoomSwitchHelp =
    "表示画像の　ＺＯＯＭ表示（縮小又は拡大して表示）と\n　実寸表示の切替えをします";
inline constexpr const char* kBeforeAfterHelp =
    "最後におこなった処理の前の画像と\n　現在の画像を切替えます";
inline constexpr const char* kPictureHelp =
    "処理中の画像です。横方向に引っ張ると\n　ウインドウ（画像）の大きさを変更できます";
inline constexpr const char* kPictureSizeHelp = "表示画像の　大きさ(ドット単位）が表示されています";

}  // namespace hosei
