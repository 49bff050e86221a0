#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "file_error.h"
#include "pixel_block.h"

namespace hosei {

inline constexpr int kGridSpacing = 100;
inline constexpr std::uint8_t kVerticalLineRed = 200;
inline constexpr std::uint8_t kHorizontalLineRed = 190;
inline constexpr std::uint8_t kDiagonalBlue = 255;

// Tints a 100-dot grid (red, three dots wide, measured from the lower-left corner) and the
// two diagonals (blue) into stored rows first .. first + count - 1 (0 = the bottom row) of a
// width × height picture, held at `rows` one `rowLength` apart. Each mark changes one colour
// byte of a pixel so the photo stays visible through it; marks that fall outside the picture
// are skipped. Drawing a picture piece by piece gives the same bytes as drawing it whole.
void DrawGuideMarks(std::uint8_t* rows, std::size_t rowLength, int first, int count, int width,
                    int height);

// Writes a display copy of `source` with guide marks drawn in: the source's header region
// and its marked rows, nothing after the pixel rows. The source is only read, a piece of rows
// at a time, and the copy appears whole or not at all.
FileError WriteDisplayCopy(const std::string& source, const std::string& copy);

}  // namespace hosei
