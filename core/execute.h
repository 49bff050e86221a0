#pragma once

#include <optional>
#include <string>

#include "bitmap_header.h"
#include "centre_move.h"
#include "file_error.h"
#include "file_kind.h"
#include "moved_centre.h"
#include "parameters.h"
#include "stop_request.h"

namespace hosei {

// The row count is reported after every 40th stored row.
inline constexpr int kProgressInterval = 40;

// What the windows see of a run while it goes: the size of the accepted picture (to show
// it and the row total), then the count of rows done every 40 rows.
// Its stop request is asked after every chunk of rows and while the file is read: true
// abandons the run, leaving no result behind.
class ExecuteObserver : public StopRequest {
 public:
  virtual void pictureAccepted(int /*width*/, int /*height*/) {}
  virtual void rowsDone(int /*row*/) {}
};

struct ExecuteJob {
  std::string currentFile;
  Parameters parameters;
  std::optional<MovedCentre> movedCentre;  // vignetting only
  std::string resultFile;                  // empty: beside the current file, by the name rule
  int jpegQuality = 0;  // 1..100 re-encodes a JPEG at that quality; 0 keeps its own tables
  // Vignetting only, instead of movedCentre: the centre dialog's two answers, turned into
  // a centre for the picture's size once the picture is read.
  std::optional<CentreAnswers> centreAnswers{};
  // What the caller already found the file to be (KindOfFile), so that it is not opened
  // again to learn it; found here when empty. The file is still checked as it is read.
  std::optional<FileKind> kind{};
};

struct ExecuteOutcome {
  FileError error;         // no problem on success
  std::string resultFile;  // the file written, or the one that could not be
  int width = 0;
  int height = 0;
  // The rule the centre answers broke: the picture was corrected about its own centre.
  std::optional<CentreMoveRule> unusableCentre;

  bool succeeded() const { return !error; }
};

// The result a run of `currentFile` writes, in `folder` or (when empty) beside it. What
// the file holds decides the rule: a bitmap's name loses its last four characters and
// gains "_.bmp", a photo's gains "_" before its extension. Nothing when no name can be
// formed.
std::optional<std::string> ResultFileFor(const std::string& currentFile,
                                         const std::string& folder = {});
std::optional<std::string> ResultFileFor(const std::string& currentFile, FileKind kind,
                                         const std::string& folder);

// One whole correction run: reads and checks the current file, corrects every pixel and
// writes the result (atomically, never touching the source). Runs on several threads
// at once do not disturb each other.
ExecuteOutcome Execute(const ExecuteJob& job, ExecuteObserver* observer = nullptr);

}  // namespace hosei
