#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fog.h"
#include "moved_centre.h"
#include "parameters.h"
#include "radial_bands.h"
#include "row_corrector.h"
#include "tables.h"
#include "vignetting.h"

namespace hosei {

// Everything a run needs per pixel, worked out once: byte tables for every tone row the
// run can use, and for vignetting and fog the bands of equal change. correctRows may
// then be called from several threads at once on different rows.
class PixelCorrector : public RowCorrector {
 public:
  PixelCorrector(const Parameters& parameters, int width, int height,
                 const std::optional<MovedCentre>& movedCentre);

  // Only 3 * width bytes of a row are touched: padding is left alone.
  void correctRows(std::uint8_t* rows, std::ptrdiff_t rowStep, int first, int count) const override;

 private:
  using ByteTable = std::array<std::uint8_t, 256>;
  static ByteTable TableOfRow(int toneRow);

  void correctRow(std::uint8_t* row, int y, RowRuns& runs) const;
  void correctRowPixelByPixel(std::uint8_t* row, int y) const;

  Parameters parameters_;
  int width_;
  GammaCurve gamma_{};
  std::optional<RadialBands> bands_;
  std::vector<ByteTable> bandTables_;  // one per band; unused for unchanged bands
  VignettingGeometry geometry_;
  FogCircle circle_;
};

}  // namespace hosei
