#pragma once

#include <QImage>
#include <optional>

#include "moved_centre.h"
#include "parameters.h"
#include "picture_file.h"

namespace hosei {

// A correction as Execute would run it on the current file.
struct PreviewCorrection {
  Parameters parameters;
  std::optional<MovedCentre> movedCentre;
};

// The held part of a picture corrected as Execute corrects the whole: every pixel by the
// same per-pixel correction (the byte tables, or for a deep picture the deep correction)
// as the dot in the middle of the block it stands for, so the preview shows what Execute
// writes as far as the screen's scale can show it. At actual size each pixel is its dot.
QImage CorrectedForPreview(const ViewerPicture& picture, const PreviewCorrection& correction);

}  // namespace hosei
