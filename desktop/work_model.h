#pragma once

#include <QString>
#include <optional>

#include "file_kind.h"
#include "moved_centre.h"

namespace hosei {

// An image size in dots, as the bitmap's header gives it (either side may be 0 or less in
// a header that Execute goes on to refuse).
struct ImageSize {
  int width = 0;
  int height = 0;
};

// What the two windows are working on. The main window owns it and hands it to the viewer;
// the windows' captions show it, and nothing is ever read back from a caption.
struct WorkModel {
  // The file Execute corrects; empty until one is chosen.
  QString currentFile;
  // What the current file held when it was chosen. Its result is named by it, so the name
  // does not change when the file is moved or deleted behind the program's back.
  FileKind currentFileKind = FileKind::kOther;
  // Recorded when a file is chosen and when Execute reads its header; a new viewer starts
  // without one.
  std::optional<ImageSize> imageSize;
  // The vignetting centre moved away from the image centre, with its far-corner distance.
  std::optional<MovedCentre> movedCentre;
  // The viewer's before/after switch trades these two.
  QString previousPicture;
  QString currentPicture;

  // The recorded size when both sides are above zero: what a guide circle or a centre move
  // can be worked out on.
  std::optional<ImageSize> usableImageSize() const;
};

}  // namespace hosei
