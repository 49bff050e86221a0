#pragma once

#include <optional>
#include <string>

#include "bitmap_header.h"
#include "file_error.h"
#include "moved_centre.h"
#include "parameters.h"

namespace hosei {

// The row count is reported after every 40th stored row.
inline constexpr int kProgressInterval = 40;

// What the windows see of a run while it goes: the accepted header (to show the size and
// the row total), then the row count every 40 rows.
class ExecuteObserver {
 public:
  virtual ~ExecuteObserver() = default;
  virtual void headerAccepted(const BitmapHeader& /*header*/) {}
  virtual void rowsDone(int /*row*/) {}
};

struct ExecuteJob {
  std::string currentFile;
  Parameters parameters;
  std::optional<MovedCentre> movedCentre;  // vignetting only
  std::string resultFile;                  // empty: beside the current file, by the name rule
};

struct ExecuteOutcome {
  FileError error;         // no problem on success
  std::string resultFile;  // the file written, or the one that could not be
  int width = 0;
  int height = 0;

  bool succeeded() const { return !error; }
};

// One whole correction run: reads and checks the current file, corrects every pixel and
// writes the result (atomically, never touching the source). In gamma mode it first
// rebuilds the gamma row of the tone table.
ExecuteOutcome Execute(const ExecuteJob& job, ExecuteObserver* observer = nullptr);

// Status line texts of a finished run.
inline constexpr const char* kFinishedCaption = "終了";
std::string SavedAsCaption(const std::string& resultFile);  // "<result>で保存されました"
std::string RowTotalCaption(int height);                    // "/    <H>"
std::string ResultViewerCaption(const std::string& resultFile);  // "→　<result>"

}  // namespace hosei
