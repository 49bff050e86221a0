#include "pixel_corrector.h"

#include "pixel_loops.h"
#include "tables.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

int ToneRowOfAmount(float amount) {
  return LeavesPixelUnchanged(amount) ? kUnchangedRow : BrightnessRow(amount);
}

}  // namespace

PixelCorrector::ByteTable PixelCorrector::TableOfRow(int toneRow) {
  ByteTable table{};
  const std::int16_t* levels = ToneCurve().row(toneRow);
  for (int level = 0; level < 256; ++level) table[level] = static_cast<std::uint8_t>(levels[level]);
  return table;
}

PixelCorrector::PixelCorrector(const Parameters& parameters, int width, int height,
                               const std::optional<MovedCentre>& movedCentre)
    : parameters_(parameters), width_(width) {
  switch (parameters.mode) {
    case Mode::kGamma:
      gamma_ = BuildGammaCurve(parameters.gamma);
      return;
    case Mode::kVignetting: {
      geometry_ = SetUpVignetting(parameters.startFraction, parameters.coefficient,
                                  parameters.shape, width, height, movedCentre);
      // Centres lie on whole or half dots: measured in half dots they are whole numbers.
      const auto doubled = [](float centre) { return static_cast<std::int64_t>(2.0 * centre); };
      bands_ = FindRadialBands(2, doubled(geometry_.centreX), doubled(geometry_.centreY), width,
                               height, [this](std::uint64_t k) {
                                 return ToneRowOfAmount(VignettingAmountAtSquaredDistance(
                                     geometry_, static_cast<double>(k) / 4.0));
                               });
      break;
    }
    case Mode::kFog:
      circle_ = FogCircle{parameters.lightX, parameters.lightY, parameters.size,
                          parameters.brightness, parameters.shape};
      bands_ = FindRadialBands(1, circle_.centreX, circle_.centreY, width, height,
                               [this](std::uint64_t k) {
                                 return ToneRowOfAmount(FogAmountAtSquaredDistance(circle_, k));
                               });
      break;
  }
  if (bands_) {
    bandTables_.resize(bands_->toneRows.size());
    for (std::size_t band = 0; band < bandTables_.size(); ++band)
      if (bands_->toneRows[band] != kUnchangedRow)
        bandTables_[band] = TableOfRow(bands_->toneRows[band]);
  }
}

void PixelCorrector::correctRows(std::uint8_t* rows, std::ptrdiff_t rowStep, int first,
                                 int count) const {
  RowRuns runs;
  for (int i = 0; i < count; ++i) {
    std::uint8_t* row = rows + i * rowStep;
    correctRow(row, first + i + 1, runs);
    if (parameters_.background) AdjustBackgroundRow(row, width_, parameters_.threshold);
  }
}

void PixelCorrector::correctRow(std::uint8_t* row, int y, RowRuns& runs) const {
  if (parameters_.mode == Mode::kGamma) {
    MapBytes(row, 3 * static_cast<std::size_t>(width_), gamma_.data());
    return;
  }
  if (!bands_) {
    correctRowPixelByPixel(row, y);
    return;
  }
  FindRunsOfRow(*bands_, y, width_, runs);
  for (const PixelRun& run : runs.runs) {
    if (bands_->toneRows[static_cast<std::size_t>(run.band)] == kUnchangedRow) continue;
    MapBytes(row + 3 * static_cast<std::size_t>(run.begin - 1),
             3 * static_cast<std::size_t>(run.end - run.begin),
             bandTables_[static_cast<std::size_t>(run.band)].data());
  }
}

// Centres far outside the picture, where the bands' distances would not fit.
void PixelCorrector::correctRowPixelByPixel(std::uint8_t* row, int y) const {
  for (int x = 1; x <= width_; ++x) {
    const float amount = parameters_.mode == Mode::kVignetting ? VignettingAmount(geometry_, x, y)
                                                               : FogAmount(circle_, x, y);
    ApplyBrightness(row + 3 * static_cast<std::size_t>(x - 1), amount);
  }
}

}  // namespace hosei
