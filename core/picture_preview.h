#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "file_error.h"
#include "picture_reader.h"

namespace hosei {

// A picture held top row first as blue, green, red triplets, each row padded to a multiple
// of four bytes: the layout a window system's image can take over without a copy.
struct TopDownPicture {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::unique_ptr<std::uint8_t[]> bytes;
  // The opacity of each dot, `width` bytes a row, top row first, where the viewer's readers
  // were asked for it and the picture has it; null otherwise.
  std::unique_ptr<std::uint8_t[]> alpha;

  std::uint8_t* row(int y) { return bytes.get() + static_cast<std::size_t>(y) * stride; }
  const std::uint8_t* row(int y) const {
    return bytes.get() + static_cast<std::size_t>(y) * stride;
  }
  std::uint8_t* alphaRow(int y) { return alpha.get() + static_cast<std::size_t>(y) * width; }
  const std::uint8_t* alphaRow(int y) const {
    return alpha.get() + static_cast<std::size_t>(y) * width;
  }
};

// A deep picture held for the screen at 16 bits a sample, full scale 65535 (floats scaled to
// it), so a faint picture keeps the levels between two bytes: blue, green and red, top row
// first, rows packed; its opacity likewise where asked for and present.
struct DeepTopDownPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint16_t> bgr;
  std::vector<std::uint16_t> alpha;  // empty without

  std::uint16_t* row(int y) { return bgr.data() + 3 * static_cast<std::size_t>(y) * width; }
  const std::uint16_t* row(int y) const {
    return bgr.data() + 3 * static_cast<std::size_t>(y) * width;
  }
  std::uint16_t* alphaRow(int y) { return alpha.data() + static_cast<std::size_t>(y) * width; }
  const std::uint16_t* alphaRow(int y) const {
    return alpha.data() + static_cast<std::size_t>(y) * width;
  }
};

struct PictureSize {
  int width = 0;
  int height = 0;
};

// How many dots of a picture, along each axis, one dot of its reduction stands for.
struct Reduction {
  int x = 1;
  int y = 1;
};

// The largest whole-number reduction that still leaves at least `target` dots along each
// axis (none along an axis where the picture has fewer).
Reduction ReductionFor(PictureSize picture, PictureSize target);

// Reads a whole picture, from its first row, reduced by ReductionFor(its size, target): each
// dot is the rounded average of the block of dots it stands for, the blocks at the right and
// bottom edges being cut short by the picture's edges. Only a few rows of the file are held
// at a time, so the picture may be far larger than memory.
// With `withAlpha`, a picture's alpha is averaged alike into picture.alpha.
FileError ReadReducedPicture(PictureReader& reader, PictureSize target, TopDownPicture& picture,
                             Reduction& reduction, bool withAlpha = false);

// Reads the top-left `region` of a picture (cut to the picture), from its first row, at
// actual size: rows below the region are skipped or never reached.
FileError ReadTopLeftRegion(PictureReader& reader, PictureSize region, TopDownPicture& picture);

// Reads the `region` of a picture whose top-left dot is column `left` of row `top` counted
// from the top row (the region cut to the picture, and moved in where it would start
// outside it), at actual size. Rows before it in the file are passed over and rows after it
// never reached, so only the region and a few rows are ever held. With `withAlpha`, a
// picture's alpha goes into picture.alpha.
FileError ReadRegion(PictureReader& reader, int left, int top, PictureSize region,
                     TopDownPicture& picture, bool withAlpha = false);

// The same two for a deep picture (sampleType() not 8 bits), at 16 bits a sample.
FileError ReadReducedPicture(PictureReader& reader, PictureSize target, DeepTopDownPicture& picture,
                             Reduction& reduction, bool withAlpha = false);
FileError ReadRegion(PictureReader& reader, int left, int top, PictureSize region,
                     DeepTopDownPicture& picture, bool withAlpha = false);

}  // namespace hosei
