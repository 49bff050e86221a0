#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <optional>
#include <vector>

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
// same per-pixel correction as the dot in the middle of the block it stands for, so the
// preview shows what Execute writes as far as the screen's scale can show it. At actual
// size each pixel is its dot. Only the pixels within `part` (of the held image) are
// corrected; the others are left as read.
// An 8-bit picture's bytes, through the byte tables.
QImage CorrectedForPreview(const ViewerPicture& picture, const PreviewCorrection& correction,
                           const QRect& part);
// A deep picture's 16-bit samples (picture.deep) within `part`, row by row, through the deep
// correction.
std::vector<std::uint16_t> CorrectedDeepForPreview(const ViewerPicture& picture,
                                                   const PreviewCorrection& correction,
                                                   const QRect& part);
// The same samples as read.
std::vector<std::uint16_t> DeepSamplesOf(const ViewerPicture& picture, const QRect& part);

}  // namespace hosei
