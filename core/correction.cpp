#include "correction.h"

#include "background.h"
#include "fog.h"
#include "tone_mapping.h"
#include "vignetting.h"

namespace hosei {

namespace {

// Runs `change` on every pixel, row by row from the bottom, then the background adjustment.
template <typename PixelChange>
void ForEachPixel(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                  const RowProgress& progress, PixelChange change) {
  for (int y = 1; y <= height; ++y) {
    std::uint8_t* pixel = pixels.row(static_cast<std::size_t>(y - 1));
    for (int x = 1; x <= width; ++x, pixel += 3) {
      change(pixel, x, y);
      if (parameters.background) AdjustBackground(pixel, parameters.threshold);
    }
    if (y % kProgressInterval == 0 && progress) progress(y);
  }
}

}  // namespace

void CorrectPixelBlock(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                       const std::optional<MovedCentre>& movedCentre, const RowProgress& progress) {
  switch (parameters.mode) {
    case Mode::kVignetting: {
      const VignettingGeometry geometry =
          SetUpVignetting(parameters.startFraction, parameters.coefficient, parameters.shape, width,
                          height, movedCentre);
      ForEachPixel(pixels, width, height, parameters, progress,
                   [&](std::uint8_t* bgr, int x, int y) {
                     ApplyBrightness(bgr, VignettingAmount(geometry, x, y));
                   });
      break;
    }
    case Mode::kFog: {
      const FogCircle circle{parameters.lightX, parameters.lightY, parameters.size,
                             parameters.brightness, parameters.shape};
      ForEachPixel(
          pixels, width, height, parameters, progress,
          [&](std::uint8_t* bgr, int x, int y) { ApplyBrightness(bgr, FogAmount(circle, x, y)); });
      break;
    }
    case Mode::kGamma:
      ForEachPixel(pixels, width, height, parameters, progress,
                   [](std::uint8_t* bgr, int, int) { ApplyGamma(bgr); });
      break;
  }
}

}  // namespace hosei
