#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace hosei {

inline constexpr int kUnchangedRow = -1;

// The vignetting and fog corrections change a pixel by a tone row that depends only on
// its squared distance from a centre, and that dependence is monotone. So the squared
// distances split into a few bands, each with one tone row, and the band borders can be
// found once per run by bisection with the exact per-pixel arithmetic. Each picture row
// then falls into runs of pixels that share a row, found with integer square roots:
// per pixel there is nothing left but the table lookups.
//
// Distances are measured in 1/scale dots, so a centre on a half dot is a whole number:
// k = (scale*x - centreX)^2 + (scale*y - centreY)^2.
struct RadialBands {
  int scale = 1;
  std::int64_t centreX = 0;
  std::int64_t centreY = 0;
  std::vector<std::uint64_t> borders;  // band i holds borders[i-1] <= k < borders[i]
  std::vector<int> toneRows;           // one per band; kUnchangedRow leaves pixels alone
};

// Finds the bands of `toneRowAt(k)` over k = 0..kMax. toneRowAt must take each of its
// values on one unbroken range of k. Nothing when the centre lies so far out that the
// squared distances would not fit 63 bits: the caller then works pixel by pixel.
std::optional<RadialBands> FindRadialBands(int scale, std::int64_t centreX, std::int64_t centreY,
                                           int width, int height,
                                           const std::function<int(std::uint64_t k)>& toneRowAt);

// A run of pixels x = begin .. end-1 of one row, all in band `band`.
struct PixelRun {
  int begin;
  int end;
  int band;
};

// Working space of RunsOfRow, kept by each thread so rows allocate nothing.
struct RowRuns {
  std::vector<PixelRun> runs;
  std::vector<std::int64_t> reach;
};

// The runs of picture row y (1 = bottom), left to right, covering x = 1..width.
void FindRunsOfRow(const RadialBands& bands, int y, int width, RowRuns& row);

}  // namespace hosei
