#include "reference_correction.h"

#include <cstring>

#include "background.h"
#include "fog.h"
#include "tone_mapping.h"
#include "vignetting.h"

namespace hosei::test {

void CorrectPixelByPixel(PixelBlock& pixels, int width, int height, const Parameters& parameters,
                         const std::optional<MovedCentre>& movedCentre) {
  const VignettingGeometry geometry =
      SetUpVignetting(parameters.startFraction, parameters.coefficient, parameters.shape, width,
                      height, movedCentre);
  const FogCircle circle{parameters.lightX, parameters.lightY, parameters.size,
                         parameters.brightness, parameters.shape};
  const GammaCurve gamma = BuildGammaCurve(parameters.gamma);
  for (int y = 1; y <= height; ++y) {
    for (int x = 1; x <= width; ++x) {
      std::uint8_t* bgr = pixels.row(static_cast<std::size_t>(y - 1)) + 3 * (x - 1);
      switch (parameters.mode) {
        case Mode::kVignetting:
          ApplyBrightness(bgr, VignettingAmount(geometry, x, y));
          break;
        case Mode::kFog:
          ApplyBrightness(bgr, FogAmount(circle, x, y));
          break;
        case Mode::kGamma:
          ApplyGamma(bgr, gamma);
          break;
      }
      if (parameters.background) AdjustBackground(bgr, parameters.threshold);
    }
  }
}

Bytes CorrectedFile(Bytes file, const TestBitmap& layout, const Parameters& parameters,
                    const std::optional<MovedCentre>& movedCentre) {
  PixelBlock block(layout.rowLength(), static_cast<std::size_t>(layout.height));
  std::uint8_t* pixels = file.data() + layout.pixelDataOffset;
  std::memcpy(block.data(), pixels, block.size());
  CorrectPixelByPixel(block, layout.width, layout.height, parameters, movedCentre);
  std::memcpy(pixels, block.data(), block.size());
  return file;
}

}  // namespace hosei::test
