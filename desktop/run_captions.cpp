#include "run_captions.h"

namespace hosei {

std::string SavedAsCaption(const std::string& resultFile) {
  return resultFile + "で保存されました";
}

std::string RowTotalCaption(int height) { return "/    " + std::to_string(height); }

std::string ResultViewerCaption(const std::string& resultFile) { return "→　" + resultFile; }

}  // namespace hosei
