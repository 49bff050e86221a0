#include "correction.h"

#include "pixel_corrector.h"

namespace hosei {

void CorrectPixelBlock(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                       const std::optional<MovedCentre>& movedCentre, const RowProgress& progress) {
  const PixelCorrector corrector(parameters, width, height, movedCentre);
  for (int first = 0; first < height; first += kProgressInterval) {
    const int count = std::min(kProgressInterval, height - first);
    corrector.correctRows(pixels.row(static_cast<std::size_t>(first)), pixels.rowLength(), first,
                          count);
    if (count == kProgressInterval && progress) progress(first + count);
  }
}

}  // namespace hosei
