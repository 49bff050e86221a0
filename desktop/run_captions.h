#pragma once

#include <string>

namespace hosei {

// The main window's status texts of a finished run, and the viewer's title for its result.
inline constexpr const char* kFinishedCaption = "終了";
std::string SavedAsCaption(const std::string& resultFile);  // "<result>で保存されました"
std::string RowTotalCaption(int height);                    // "/    <H>"
std::string ResultViewerCaption(const std::string& resultFile);  // "→　<result>"

}  // namespace hosei
