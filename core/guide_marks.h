#pragma once

#include <string>

#include "file_error.h"
#include "pixel_block.h"

namespace hosei {

inline constexpr int kGridSpacing = 100;
inline constexpr std::uint8_t kVerticalLineRed = 200;
inline constexpr std::uint8_t kHorizontalLineRed = 190;
inline constexpr std::uint8_t kDiagonalBlue = 255;

// Tints a 100-dot grid (red, three dots wide, measured from the lower-left corner) and the
// two diagonals (blue) into the pixel block. Each mark changes one colour byte of a pixel
// so the photo stays visible through it; marks that fall outside the picture are skipped.
void DrawGuideMarks(PixelBlock& pixels, int width, int height);

// Writes a display copy of `source` with guide marks drawn in: the source's header region
// and its marked pixel block, nothing after the pixel rows. The source is only read.
FileError WriteDisplayCopy(const std::string& source, const std::string& copy);

}  // namespace hosei
