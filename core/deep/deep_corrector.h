#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "deep_kernels.h"
#include "fog.h"
#include "moved_centre.h"
#include "parameters.h"
#include "row_corrector.h"
#include "sample_type.h"
#include "tables.h"
#include "vignetting.h"

namespace hosei {

// The corrections for samples deeper than 8 bits, each sample taken as a fraction x of
// full scale. The byte path's formulas are evaluated continuously, without the rounding
// of its tables: the transition weight is interpolated between its steps and the tone
// curve x^(250 / h) is taken at the exact row h, so smooth gradients stay smooth.
// correctRow may be called from several threads at once on different rows.
class DeepCorrector : public RowCorrector {
 public:
  DeepCorrector(const Parameters& parameters, int width, int height,
                const std::optional<MovedCentre>& movedCentre,
                SampleType type = SampleType::kUint16,
                ChannelOrder order = ChannelOrder::kBlueFirst);
  ~DeepCorrector() override;

  // Rows of samples of the type given at construction.
  void correctRows(std::uint8_t* rows, std::ptrdiff_t rowStep, int first, int count) const override;

  // One row of `width` pixels, three samples each in the order given at construction; y counts from
  // 1 at the bottom row. 16-bit samples are rounded to the nearest level, floats kept as they are.
  void correctRow(std::uint16_t* bgr, int y) const;
  void correctRow(float* bgr, int y) const;
  // Only pixels x = firstX .. firstX + count - 1 (from 1 at the left) of row y, `bgr` holding
  // them: for a part of a picture, as the viewer holds it.
  void correctSpan(std::uint16_t* bgr, int firstX, int count, int y) const;

 private:
  template <typename Sample>
  void correctBlock(Sample* bgr, int firstX, int count, int y) const;

  Parameters parameters_;
  int width_;
  SampleType type_;
  int blue_ = 0;  // where blue and red stand among a pixel's samples
  int red_ = 2;
  RadialModel model_;
  std::array<float, kTransitionSteps + 1> weights_{};
  float gammaExponent_ = 1.0f;
  std::unique_ptr<std::array<std::uint16_t, 65536>> gamma16_;
};

// The continuous transition weight of `shape` at step s (0..301), between the table's steps.
double InterpolatedWeight(int shape, double s);

}  // namespace hosei
