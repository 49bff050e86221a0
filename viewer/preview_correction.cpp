#include "preview_correction.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "deep_corrector.h"
#include "pixel_corrector.h"
#include "worker_pool.h"

namespace hosei {

namespace {

// The dot a pixel stands for, along one axis: the middle of its block, which the picture's
// edge may cut short.
std::vector<int> MiddleDots(int pixels, int first, int perPixel, int dots) {
  std::vector<int> middle(static_cast<std::size_t>(pixels));
  for (int i = 0; i < pixels; ++i) {
    const int start = first + i * perPixel;
    const int count = std::clamp(dots - start, 1, perPixel);
    middle[static_cast<std::size_t>(i)] = std::min(start + (count - 1) / 2, dots - 1);
  }
  return middle;
}

// Rows handed to one worker at a time: few enough parts to share out, each large enough
// that taking it costs nothing beside the work.
constexpr int kRowsPerPart = 32;

// The correction works on whole stored rows of the picture; each held row (`rowOf(y)`,
// `columns` pixels of three samples) is spread over a row of the picture's width, at the dots
// its pixels stand for, corrected there as that stored row, and gathered back.
template <typename Sample, typename RowOf>
void CorrectHeldRows(int heldWidth, int heldHeight, const ViewerPicture& picture,
                     const RowCorrector& corrector, RowOf rowOf) {
  const int width = picture.pictureSize.width();
  const int height = picture.pictureSize.height();
  const std::vector<int> columns =
      MiddleDots(heldWidth, picture.origin.x(), picture.dotsPerPixel.width(), width);
  const std::vector<int> rows =
      MiddleDots(heldHeight, picture.origin.y(), picture.dotsPerPixel.height(), height);
  const int parts = (heldHeight + kRowsPerPart - 1) / kRowsPerPart;
  WorkerPool& pool = WorkerPool::Shared();
  pool.finish(pool.start(parts, [&](int part) {
    std::vector<Sample> wide(3 * static_cast<std::size_t>(width));
    const int end = std::min(heldHeight, (part + 1) * kRowsPerPart);
    for (int y = part * kRowsPerPart; y < end; ++y) {
      Sample* row = rowOf(y);
      for (std::size_t x = 0; x < columns.size(); ++x)
        std::copy(row + 3 * x, row + 3 * x + 3, &wide[3 * static_cast<std::size_t>(columns[x])]);
      const int storedRow = height - 1 - rows[static_cast<std::size_t>(y)];
      corrector.correctRows(reinterpret_cast<std::uint8_t*>(wide.data()), 0, storedRow, 1);
      for (std::size_t x = 0; x < columns.size(); ++x) {
        const Sample* dot = &wide[3 * static_cast<std::size_t>(columns[x])];
        std::copy(dot, dot + 3, row + 3 * x);
      }
    }
  }));
}

bool HasSize(const ViewerPicture& picture) {
  return picture.pictureSize.width() > 0 && picture.pictureSize.height() > 0;
}

}  // namespace

QImage CorrectedForPreview(const ViewerPicture& picture, const PreviewCorrection& correction) {
  QImage image = picture.image.copy();
  if (image.isNull() || !HasSize(picture)) return image;
  const PixelCorrector corrector(correction.parameters, picture.pictureSize.width(),
                                 picture.pictureSize.height(), correction.movedCentre);
  CorrectHeldRows<std::uint8_t>(image.width(), image.height(), picture, corrector,
                                [&](int y) { return image.scanLine(y); });
  return image;
}

std::vector<std::uint16_t> CorrectedDeepForPreview(const ViewerPicture& picture,
                                                   const PreviewCorrection& correction) {
  if (!picture.deep) return {};
  const DeepTopDownPicture& deep = *picture.deep;
  std::vector<std::uint16_t> samples = deep.bgr;
  if (!HasSize(picture)) return samples;
  const DeepCorrector corrector(correction.parameters, picture.pictureSize.width(),
                                picture.pictureSize.height(), correction.movedCentre,
                                SampleType::kUint16);
  CorrectHeldRows<std::uint16_t>(deep.width, deep.height, picture, corrector, [&](int y) {
    return samples.data() + 3 * static_cast<std::size_t>(y) * deep.width;
  });
  return samples;
}

}  // namespace hosei
