#include "radial_bands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace hosei {

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kLargestDistance = std::uint64_t{1} << 31;

// The smallest a with a * a >= n.
std::uint64_t CeilSqrt(std::uint64_t n) {
  auto a = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
  while (static_cast<Wide>(a) * a < n) ++a;
  while (a > 0 && static_cast<Wide>(a - 1) * (a - 1) >= n) --a;
  return a;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

std::uint64_t Distance(std::int64_t scaled, std::int64_t centre) {
  return static_cast<std::uint64_t>(std::llabs(scaled - centre));
}

}  // namespace

std::optional<RadialBands> FindRadialBands(int scale, std::int64_t centreX, std::int64_t centreY,
                                           int width, int height,
                                           const std::function<int(std::uint64_t k)>& toneRowAt) {
  const std::uint64_t farX =
      std::max(Distance(scale, centreX), Distance(std::int64_t{scale} * width, centreX));
  const std::uint64_t farY =
      std::max(Distance(scale, centreY), Distance(std::int64_t{scale} * height, centreY));
  if (farX > kLargestDistance || farY > kLargestDistance) return std::nullopt;
  const std::uint64_t kMax = farX * farX + farY * farY;

  RadialBands bands;
  bands.scale = scale;
  bands.centreX = centreX;
  bands.centreY = centreY;
  std::uint64_t start = 0;
  int row = toneRowAt(0);
  bands.toneRows.push_back(row);
  while (start < kMax) {
    // The first k after `start` whose row differs, if any up to kMax.
    std::uint64_t low = start + 1, high = kMax + 1;
    while (low < high) {
      const std::uint64_t middle = low + (high - low) / 2;
      if (toneRowAt(middle) != row)
        high = middle;
      else
        low = middle + 1;
    }
    if (low > kMax) break;
    start = low;
    row = toneRowAt(start);
    bands.borders.push_back(start);
    bands.toneRows.push_back(row);
  }
  return bands;
}

void FindRunsOfRow(const RadialBands& bands, int y, int width, RowRuns& row) {
  auto& runs = row.runs;
  auto& reach = row.reach;
  runs.clear();
  const std::int64_t s = bands.scale;
  const std::int64_t cx = bands.centreX;
  const std::uint64_t dy = Distance(s * y, bands.centreY);
  const std::uint64_t rowDistance = dy * dy;
  // Bands whose border the whole row has passed, and the largest distance within the row.
  const int base =
      static_cast<int>(std::upper_bound(bands.borders.begin(), bands.borders.end(), rowDistance) -
                       bands.borders.begin());
  const std::uint64_t farX = std::max(Distance(s, cx), Distance(s * width, cx));

  // reach[j]: the horizontal distance at which the row crosses border base + j.
  reach.clear();
  for (std::size_t j = static_cast<std::size_t>(base); j < bands.borders.size(); ++j) {
    const std::uint64_t a = CeilSqrt(bands.borders[j] - rowDistance);
    if (a > farX) break;
    reach.push_back(static_cast<std::int64_t>(a));
  }
  const int top = base + static_cast<int>(reach.size());

  // Left of the centre the distance shrinks as x grows, so the bands fall.
  const std::int64_t firstRight = std::max<std::int64_t>(1, CeilDiv(cx, s));
  const std::int64_t lastLeft = std::min<std::int64_t>(width, firstRight - 1);
  std::int64_t x = 1;
  for (int j = top - 1; j >= base; --j) {
    const std::int64_t end =
        std::min(FloorDiv(cx - reach[static_cast<std::size_t>(j - base)], s), lastLeft);
    if (end >= x) {
      runs.push_back({static_cast<int>(x), static_cast<int>(end + 1), j + 1});
      x = end + 1;
    }
  }
  if (x <= lastLeft) {
    runs.push_back({static_cast<int>(x), static_cast<int>(lastLeft + 1), base});
    x = lastLeft + 1;
  }
  // Right of it the bands rise.
  x = std::max<std::int64_t>(x, firstRight);
  for (int j = base; j < top && x <= width; ++j) {
    const std::int64_t begin = std::min<std::int64_t>(
        CeilDiv(cx + reach[static_cast<std::size_t>(j - base)], s), width + 1);
    if (begin > x) {
      runs.push_back({static_cast<int>(x), static_cast<int>(begin), j});
      x = begin;
    }
  }
  if (x <= width) runs.push_back({static_cast<int>(x), width + 1, top});
}

}  // namespace hosei
