#include "file_error.h"

namespace hosei {

namespace {

std::string WithSystemMessage(std::string text, const FileError& error) {
  if (!error.systemMessage.empty()) text += "（" + error.systemMessage + "）";
  return text;
}

}  // namespace

std::string DescribeFileError(const FileError& error) {
  const std::string& p = error.path;
  switch (error.problem) {
    case FileProblem::kNone:
      return {};
    case FileProblem::kCannotOpen:
      return WithSystemMessage("ファイルを開けません: " + p, error);
    case FileProblem::kNotRegularFile:
      return "通常のファイルではありません: " + p;
    case FileProblem::kReadFailed:
      return WithSystemMessage("ファイルを読み込めません: " + p, error);
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
      return WithSystemMessage("ファイルを書き込めません: " + p, error);
    case FileProblem::kResultIsSource:
      return "書き込み先が元のファイルと同じため、書き込みません: " + p;
    case FileProblem::kStopped:
      return "中断しました（結果は書いていません）: " + p;
    case FileProblem::kUnsupportedPhoto:
      return WithSystemMessage("この写真は処理できません: " + p, error);
    case FileProblem::kCorruptPhoto:
      return WithSystemMessage("写真が壊れているため読み込めません: " + p, error);
  }
  return {};
}

}  // namespace hosei
