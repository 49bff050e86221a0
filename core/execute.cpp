#include "execute.h"

#include "bitmap_file.h"
#include "file_names.h"
#include "tables.h"

namespace hosei {

ExecuteOutcome Execute(const ExecuteJob& job, ExecuteObserver* observer) {
  BuildTables();
  if (job.parameters.mode == Mode::kGamma) ToneCurve.buildGammaRow(job.parameters.gamma);

  ExecuteOutcome outcome;
  if (job.resultFile.empty()) {
    const auto result = ResultFileName(job.currentFile);
    if (!result) {
      outcome.error = FileError{FileProblem::kNameTooShort, job.currentFile, {}};
      return outcome;
    }
    outcome.resultFile = *result;
  } else {
    outcome.resultFile = job.resultFile;
  }

  BitmapImage image;
  if (FileError error = ReadBitmapFile(job.currentFile, image)) {
    outcome.error = std::move(error);
    return outcome;
  }
  outcome.width = static_cast<int>(image.header.width);
  outcome.height = static_cast<int>(image.header.height);
  if (observer) observer->headerAccepted(image.header);

  RowProgress progress;
  if (observer) progress = [observer](int row) { observer->rowsDone(row); };
  CorrectPixelBlock(image.pixels, outcome.width, outcome.height, job.parameters, job.movedCentre,
                    progress);

  outcome.error = WriteBitmapFile(outcome.resultFile, image);
  return outcome;
}

std::string SavedAsCaption(const std::string& resultFile) {
  return resultFile + "で保存されました";
}

std::string RowTotalCaption(int height) { return "/    " + std::to_string(height); }

std::string ResultViewerCaption(const std::string& resultFile) { return "→　" + resultFile; }

}  // namespace hosei
