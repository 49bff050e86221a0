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

// The correction works on stored rows of the picture; each row of `part` (`rowOf(i)` for
// its i-th row, from its first pixel, pixels of three samples) is spread over a row of the
// picture's width, at the dots its pixels stand for, corrected there as that stored row by
// `correct(wide, firstDot, lastDot, storedRow)` (which may leave the dots outside firstDot..lastDot
// alone), and gathered back. Only the pixels of `part` are corrected.
template <typename Sample, typename RowOf, typename Correct>
void CorrectHeldRows(const QRect& part, const ViewerPicture& picture, RowOf rowOf,
                     Correct correct) {
  const int width = picture.pictureSize.width();
  const int height = picture.pictureSize.height();
  const QSize& block = picture.dotsPerPixel;
  const std::vector<int> columns = MiddleDots(
      part.width(), picture.origin.x() + part.left() * block.width(), block.width(), width);
  const std::vector<int> rows = MiddleDots(
      part.height(), picture.origin.y() + part.top() * block.height(), block.height(), height);
  if (columns.empty() || rows.empty()) return;
  const int parts = (part.height() + kRowsPerPart - 1) / kRowsPerPart;
  WorkerPool& pool = WorkerPool::Shared();
  pool.finish(pool.start(parts, [&](int piece) {
    std::vector<Sample> wide(3 * static_cast<std::size_t>(width));
    const int end = std::min(part.height(), (piece + 1) * kRowsPerPart);
    for (int i = piece * kRowsPerPart; i < end; ++i) {
      Sample* row = rowOf(i);
      for (std::size_t x = 0; x < columns.size(); ++x)
        std::copy(row + 3 * x, row + 3 * x + 3, &wide[3 * static_cast<std::size_t>(columns[x])]);
      correct(wide.data(), columns.front(), columns.back(),
              height - 1 - rows[static_cast<std::size_t>(i)]);
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

QImage CorrectedForPreview(const ViewerPicture& picture, const PreviewCorrection& correction,
                           const QRect& part) {
  QImage image = picture.image.copy();
  if (image.isNull() || !HasSize(picture)) return image;
  const PixelCorrector corrector(correction.parameters, picture.pictureSize.width(),
                                 picture.pictureSize.height(), correction.movedCentre);
  // The byte tables take whole rows.
  const QRect corrected = part & image.rect();
  CorrectHeldRows<std::uint8_t>(
      corrected, picture,
      [&](int i) { return image.scanLine(corrected.top() + i) + 3 * corrected.left(); },
      [&](std::uint8_t* wide, int, int, int storedRow) {
        corrector.correctRows(wide, 0, storedRow, 1);
      });
  return image;
}

std::vector<std::uint16_t> CorrectedDeepForPreview(const ViewerPicture& picture,
                                                   const PreviewCorrection& correction,
                                                   const QRect& part) {
  std::vector<std::uint16_t> samples = DeepSamplesOf(picture, part);
  if (samples.empty() || !HasSize(picture)) return samples;
  const DeepCorrector corrector(correction.parameters, picture.pictureSize.width(),
                                picture.pictureSize.height(), correction.movedCentre,
                                SampleType::kUint16);
  const QRect corrected = part & QRect(0, 0, picture.deep->width, picture.deep->height);
  const std::size_t rowSamples = 3 * static_cast<std::size_t>(corrected.width());
  // The deep correction costs by the dot: only the span the part's dots lie in.
  CorrectHeldRows<std::uint16_t>(
      corrected, picture, [&](int i) { return samples.data() + rowSamples * i; },
      [&](std::uint16_t* wide, int first, int last, int storedRow) {
        corrector.correctSpan(wide + 3 * static_cast<std::size_t>(first), first + 1,
                              last - first + 1, storedRow + 1);
      });
  return samples;
}

std::vector<std::uint16_t> DeepSamplesOf(const ViewerPicture& picture, const QRect& part) {
  if (!picture.deep) return {};
  const DeepTopDownPicture& deep = *picture.deep;
  const QRect cut = part & QRect(0, 0, deep.width, deep.height);
  std::vector<std::uint16_t> samples;
  samples.reserve(3 * static_cast<std::size_t>(cut.width()) * cut.height());
  for (int y = cut.top(); y <= cut.bottom(); ++y) {
    const std::uint16_t* row = deep.row(y) + 3 * static_cast<std::size_t>(cut.left());
    samples.insert(samples.end(), row, row + 3 * static_cast<std::size_t>(cut.width()));
  }
  return samples;
}

}  // namespace hosei
