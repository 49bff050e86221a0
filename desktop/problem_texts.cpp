#include "problem_texts.h"

#include "formatted.h"
#include "parameter_table.h"

namespace hosei {

namespace {

// What is wrong with a photo, in the windows' words; %s quotes FileError::values in order.
const char* DetailPattern(ProblemDetail detail) {
  switch (detail) {
    case ProblemDetail::kNone:
      return "";
    case ProblemDetail::kNotAPhoto:
      return "JPEG、PNG、TIFF、FITS のどれでもありません";
    case ProblemDetail::kSideOutOfRange:
      return "幅または高さが 1～%s の範囲にありません";
    case ProblemDetail::kFloatOutOfRange:
      return "浮動小数点のサンプルが 0～1 の範囲外です";
    case ProblemDetail::kFloatOutOfRangeOrNaN:
      return "浮動小数点のサンプルが 0～1 の範囲外です（NaN や無限大を含みます）";
    case ProblemDetail::kDeepRowsIntoEightBit:
      return "8 ビットの %s に 16 ビットや浮動小数点の行は書けません";
    case ProblemDetail::kEightBitRowsIntoDeep:
      return "16 ビットの %s に 8 ビットの行は書けません";
    case ProblemDetail::kEightBitRowsIntoFloat:
      return "浮動小数点の %s に 8 ビットの行は書けません";
    case ProblemDetail::kEightBitPicture:
      return "8 ビットの画像です";
    case ProblemDetail::kEightBitWriter:
      return "8 ビットの写真の書き込みです";
    case ProblemDetail::kStoredRowsUnsupported:
      return "写真の行を保存されたままでは扱えません";
    case ProblemDetail::kPastLastRow:
      return "最後の行より先は読めません";
    case ProblemDetail::kRowsBeyondHeight:
      return "写真の高さより多くの行は書けません";
    case ProblemDetail::kRowsMissing:
      return "書き込んだ行が足りません";
    case ProblemDetail::kNoEstimate:
      return "この画像からは推定できません";
    case ProblemDetail::kJpegTooManySegments:
      return "JPEG のメタデータのセグメントが多すぎます";
    case ProblemDetail::kJpegMetadataTooLarge:
      return "JPEG のメタデータが大きすぎます";
    case ProblemDetail::kJpegTruncated:
      return "JPEG のデータが途中で切れています";
    case ProblemDetail::kJpegProgressiveTooLarge:
      return "プログレッシブ JPEG が大きすぎます（展開に 1 GiB を超えるメモリが要ります）";
    case ProblemDetail::kJpegNotEightBit:
      return "8 ビットでない JPEG です: %s";
    case ProblemDetail::kJpegCodingUnsupported:
      return "この符号化方式の JPEG は読めません: %s";
    case ProblemDetail::kJpegTooLarge:
      return "幅または高さが 65500 を超える JPEG は読めません";
    case ProblemDetail::kJpegHeightLater:
      return "高さが後から決まる JPEG（DNL）は読めません";
    case ProblemDetail::kJpegCorrupt:
      return "JPEG のデータが壊れています: %s";
    case ProblemDetail::kJpegCmyk:
      return "CMYK の JPEG は処理できません";
    case ProblemDetail::kJpegColourSpace:
      return "この色空間の JPEG は処理できません";
    case ProblemDetail::kJpegNoQuantTable:
      return "JPEG の量子化テーブルがありません";
    case ProblemDetail::kJpegRowUnreadable:
      return "JPEG の行を読めません";
    case ProblemDetail::kJpegCannotWrite:
      return "この JPEG の形式では書き出せません: %s";
    case ProblemDetail::kJpegQuantOutOfRange:
      return "量子化テーブルの値が 1～255 の範囲にない JPEG は書き出せません";
    case ProblemDetail::kPngTruncated:
      return "PNG のデータが途中で切れています";
    case ProblemDetail::kPngCorrupt:
      return "PNG のデータが壊れています: %s";
    case ProblemDetail::kPngKindUnsupported:
      return "この形式の PNG は処理できません";
    case ProblemDetail::kPngInterlacedTooLarge:
      return "インターレース PNG が大きすぎます（展開に 1 GiB を超えるメモリが要ります）";
    case ProblemDetail::kPngCrcMismatch:
      return "PNG のチャンク %s の CRC が合いません";
    case ProblemDetail::kPngChunksBroken:
      return "PNG のチャンクの並びが壊れています";
    case ProblemDetail::kPngNoHeaderFirst:
      return "PNG が IHDR チャンクで始まっていません";
    case ProblemDetail::kPngTwoHeaders:
      return "PNG の IHDR チャンクが二つあります";
    case ProblemDetail::kPngHeaderBroken:
      return "PNG の IHDR チャンクが壊れています";
    case ProblemDetail::kPngAnimated:
      return "アニメーション PNG は処理できません";
    case ProblemDetail::kPngUnknownCritical:
      return "未知の必須チャンク %s を含む PNG です";
    case ProblemDetail::kPngTooManyChunks:
      return "PNG のチャンクが多すぎます";
    case ProblemDetail::kPngMetadataTooLarge:
      return "PNG のメタデータが大きすぎます";
    case ProblemDetail::kPngNoImageData:
      return "PNG に画素データ（IDAT）がありません";
    case ProblemDetail::kPngCannotWrite:
      return "PNG を書き出せません: %s";
    case ProblemDetail::kPngDepthMismatch:
      return "%s ビットの PNG に %s ビットの行は書けません";
    case ProblemDetail::kTiffCorrupt:
      return "TIFF のデータが壊れています: %s";
    case ProblemDetail::kTiffHeaderTruncated:
      return "TIFF のヘッダーが途中で切れています";
    case ProblemDetail::kBigTiff:
      return "BigTIFF は処理できません";
    case ProblemDetail::kTiffTooManyTags:
      return "TIFF のタグが多すぎます（%s 個まで）";
    case ProblemDetail::kTiffMetadataTooLarge:
      return "TIFF のメタデータが大きすぎます";
    case ProblemDetail::kTiffTagBroken:
      return "TIFF のタグ%s（%s）が壊れています";
    case ProblemDetail::kTiffSeveralPages:
      return "複数ページの TIFF は処理できません";
    case ProblemDetail::kTiffSubImages:
      return "副画像（SubIFD）を含む TIFF は処理できません";
    case ProblemDetail::kTiffColourModel:
      return "RGB でもグレーでもない TIFF（パレット、CMYK、YCbCr など）は処理できません";
    case ProblemDetail::kTiffExtraChannels:
      return "アルファ以外の追加チャンネルを含む TIFF は処理できません";
    case ProblemDetail::kTiffPlanar:
      return "色ごとに分かれた（planar）TIFF は処理できません";
    case ProblemDetail::kTiffCompression:
      return "この圧縮方式（%s）の TIFF は処理できません";
    case ProblemDetail::kTiffFloatBits:
      return "%s ビットの浮動小数点の TIFF は処理できません（32 ビットのみ）";
    case ProblemDetail::kTiffSignedOrComplex:
      return "符号付き整数や複素数の TIFF は処理できません";
    case ProblemDetail::kTiffIntegerBits:
      return "%s ビット整数の TIFF は処理できません（整数は 8 か 16 ビット、浮動小数点は 32 "
             "ビットのみ）";
    case ProblemDetail::kTiffDeepPremultiplied:
      return "乗算済みアルファの 16 ビット・浮動小数点の TIFF は処理できません";
    case ProblemDetail::kTiffPredictor:
      return "この予測方式（%s）の TIFF は処理できません";
    case ProblemDetail::kTiffZeroTile:
      return "TIFF のタイルの大きさが 0 です";
    case ProblemDetail::kTiffTileTooLarge:
      return "TIFF のタイルが大きすぎます";
    case ProblemDetail::kTiffRowLength:
      return "TIFF の行の長さが合いません";
    case ProblemDetail::kTiffExifBroken:
      return "TIFF の EXIF が壊れています";
    case ProblemDetail::kTiffGpsBroken:
      return "TIFF の GPS 情報が壊れています";
    case ProblemDetail::kTiffCannotCreate:
      return "TIFF を作れません: %s";
    case ProblemDetail::kTiffExifCannotWrite:
      return "EXIF を書き込めません: %s";
    case ProblemDetail::kTiffGpsCannotWrite:
      return "GPS 情報を書き込めません: %s";
    case ProblemDetail::kTiffCannotWrite:
      return "TIFF を書き込めません: %s";
    case ProblemDetail::kTiffTagsCannotWrite:
      return "この TIFF のタグを書き出せません: %s";
    case ProblemDetail::kFitsDataAfterLastUnit:
      return "FITS の最後の HDU の後に拡張 HDU でないデータがあります";
    case ProblemDetail::kFitsTooManyExtensions:
      return "FITS の拡張 HDU が多すぎます（%s 個まで）";
    case ProblemDetail::kFitsExtensionSizeUnreadable:
      return "FITS の拡張 HDU の大きさが読めません";
    case ProblemDetail::kFitsExtensionTruncated:
      return "FITS の拡張 HDU が途中で切れています";
    case ProblemDetail::kFitsTooManyCards:
      return "FITS のヘッダーのカードが多すぎます（%s 枚まで）";
    case ProblemDetail::kFitsHeaderCutBeforeEnd:
      return "FITS のヘッダーが END の前で切れています";
    case ProblemDetail::kFitsUnreadable:
      return "FITS を読めません: %s";
    case ProblemDetail::kFitsTileCompressed:
      return "タイル圧縮の FITS は処理できません";
    case ProblemDetail::kFitsLibraryMissing:
      return "cfitsio がないため FITS を読めません: %s";
    case ProblemDetail::kFitsNoImage:
      return "FITS の主 HDU に画像がありません";
    case ProblemDetail::kFitsRepeatedCards:
      return "FITS のヘッダーに BITPIX、NAXIS、BZERO などのカードが重複しています";
    case ProblemDetail::kFitsRandomGroups:
      return "ランダムグループ形式の FITS は処理できません";
    case ProblemDetail::kFitsImageUnreadable:
      return "FITS の画像を読めません: %s";
    case ProblemDetail::kFitsDataTruncated:
      return "FITS のデータが途中で切れています";
    case ProblemDetail::kFitsBitpix:
      return "BITPIX が %s の FITS は処理できません（8、16、-32 のみ）";
    case ProblemDetail::kFitsLayout:
      return "FITS はグレーの 2 次元か、赤・緑・青の 3 面の画像しか処理できません";
    case ProblemDetail::kFitsKeyUnreadable:
      return "FITS の %s を読めません: %s";
    case ProblemDetail::kFitsHeaderUnreadable:
      return "FITS のヘッダーを読めません: %s";
    case ProblemDetail::kFitsSigned16:
      return "符号付き 16 ビットの FITS は処理できません（BZERO 32768、BSCALE 1 の符号なしのみ）";
    case ProblemDetail::kFitsScaled:
      return "BZERO か BSCALE で換算する FITS は処理できません";
    case ProblemDetail::kFitsNoRoomForHistory:
      return "FITS のヘッダーのカードが多すぎて、結果に HISTORY カードを加えられません";
    case ProblemDetail::kFitsCannotWrite:
      return "FITS を書き出せません: %s";
    case ProblemDetail::kFitsCardCannotBeWritten:
      return "FITS のヘッダーのカード「%s」は書き戻せません: %s";
  }
  return "";
}

// The system's words, or the detail, in brackets after the line.
std::string WithReason(std::string text, const FileError& error) {
  const std::string reason = error.detail != ProblemDetail::kNone
                                 ? Formatted(DetailPattern(error.detail), error.values)
                                 : error.systemMessage;
  if (!reason.empty()) text += "（" + reason + "）";
  return text;
}

// What a field accepts, by its conversion; %s quotes AcceptedValues in order.
const char* AcceptedPattern(Conversion conversion) {
  switch (conversion) {
    case Conversion::kPercentFraction:
      return "%s より大きく %s より小さい値";
    case Conversion::kSingle:
      return "%s～%s";
    case Conversion::kInt32:
      return "%s～%s の整数";
    case Conversion::kTimes14:
      return "%s～%s（×%s を丸めて %s～%s）";
    case Conversion::kClampedInt16:
      return "%s～%s（%s～%s に丸めて使用）";
    case Conversion::kShapeName:
      return "%s、%s、%s";
  }
  return "";
}

}  // namespace

std::string DescribeFileError(const FileError& error) {
  const std::string& p = error.path;
  switch (error.problem) {
    case FileProblem::kNone:
      return {};
    case FileProblem::kCannotOpen:
      return WithReason("ファイルを開けません: " + p, error);
    case FileProblem::kNotRegularFile:
      return "通常のファイルではありません: " + p;
    case FileProblem::kReadFailed:
      return WithReason("ファイルを読み込めません: " + p, error);
    case FileProblem::kNot24BitBitmap:
      return std::string(kNot24BitBitmapMessage) + ": " + p;
    case FileProblem::kBeyondLowWords:
      return "幅・高さ・画素データの位置が 65535 "
             "を超えるビットマップと、行が上から並ぶビットマップは"
             "処理できません: " +
             p;
    case FileProblem::kZeroSize:
      return "幅または高さが 0 のビットマップは処理できません: " + p;
    case FileProblem::kOffsetOutOfRange:
      return "画素データの位置が範囲外のビットマップは処理できません（54～32767 バイト）: " + p;
    case FileProblem::kTruncated:
      return "ファイルが途中で切れています（画素データが足りません）: " + p;
    case FileProblem::kOutOfMemory:
      return "メモリが足りないため処理できません: " + p;
    case FileProblem::kNameTooShort:
      return "ファイル名が短すぎます（4 文字以上必要です）: " + p;
    case FileProblem::kCannotWrite:
      return WithReason("ファイルを書き込めません: " + p, error);
    case FileProblem::kResultIsSource:
      return "書き込み先が元のファイルと同じため、書き込みません: " + p;
    case FileProblem::kStopped:
      return "中断しました（結果は書いていません）: " + p;
    case FileProblem::kUnsupportedPhoto:
      return WithReason("この写真は処理できません: " + p, error);
    case FileProblem::kCorruptPhoto:
      return WithReason("写真が壊れているため読み込めません: " + p, error);
  }
  return {};
}

std::string AcceptedText(Field field) {
  const ParameterDeclaration& d = DeclarationOf(field);
  return Formatted(AcceptedPattern(d.conversion), AcceptedValues(d));
}

}  // namespace hosei
