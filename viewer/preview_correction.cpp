#include "preview_correction.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "deep_corrector.h"
#include "deep_rows.h"
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

// The correction works on whole stored rows of the picture; each held row is spread over a
// row of the picture's width, at the dots its pixels stand for, corrected there as that
// stored row, and gathered back. `Sample` is the corrector's sample: bytes, or 16 bits for a
// deep picture, whose bytes go up to 16 bits and come back to the nearest byte.
template <typename Sample>
void CorrectHeldRows(QImage& image, const ViewerPicture& picture, const RowCorrector& corrector) {
  const int width = picture.pictureSize.width();
  const int height = picture.pictureSize.height();
  const std::vector<int> columns =
      MiddleDots(image.width(), picture.origin.x(), picture.dotsPerPixel.width(), width);
  const std::vector<int> rows =
      MiddleDots(image.height(), picture.origin.y(), picture.dotsPerPixel.height(), height);
  const int parts = (image.height() + kRowsPerPart - 1) / kRowsPerPart;
  WorkerPool& pool = WorkerPool::Shared();
  pool.finish(pool.start(parts, [&](int part) {
    std::vector<Sample> wide(3 * static_cast<std::size_t>(width));
    const int end = std::min(image.height(), (part + 1) * kRowsPerPart);
    for (int y = part * kRowsPerPart; y < end; ++y) {
      std::uint8_t* row = image.scanLine(y);
      for (std::size_t x = 0; x < columns.size(); ++x)
        for (int c = 0; c < 3; ++c)
          wide[3 * static_cast<std::size_t>(columns[x]) + c] =
              static_cast<Sample>(row[3 * x + c] * (sizeof(Sample) == 1 ? 1 : 257));
      const int storedRow = height - 1 - rows[static_cast<std::size_t>(y)];
      corrector.correctRows(reinterpret_cast<std::uint8_t*>(wide.data()), 0, storedRow, 1);
      for (std::size_t x = 0; x < columns.size(); ++x) {
        const Sample* dot = &wide[3 * static_cast<std::size_t>(columns[x])];
        if constexpr (sizeof(Sample) == 1)
          std::copy(dot, dot + 3, row + 3 * x);
        else
          ReduceToBytes(dot, 3, row + 3 * x);
      }
    }
  }));
}

}  // namespace

QImage CorrectedForPreview(const ViewerPicture& picture, const PreviewCorrection& correction) {
  QImage image = picture.image.copy();
  const int width = picture.pictureSize.width();
  const int height = picture.pictureSize.height();
  if (image.isNull() || width <= 0 || height <= 0) return image;
  const auto& [parameters, centre] = correction;
  if (IsDeep(picture.sampleType))
    CorrectHeldRows<std::uint16_t>(
        image, picture, DeepCorrector(parameters, width, height, centre, SampleType::kUint16));
  else
    CorrectHeldRows<std::uint8_t>(image, picture,
                                  PixelCorrector(parameters, width, height, centre));
  return image;
}

}  // namespace hosei
