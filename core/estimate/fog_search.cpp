#include "fog_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tables.h"
#include "tone_light.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

constexpr std::array<double, 10> kRadiusScales = {0.8, 0.9, 1.0, 1.1, 1.25,
                                                  1.4, 1.6, 1.8, 2.1, 2.5};
constexpr int kLowestBrightness = -100, kHighestBrightness = 170;

struct Cell {
  std::uint64_t squaredDistance;  // from the glow's centre, in whole dots
  float level;                    // the background as a stored level, 0..255
  double target;                  // its light without the glow
};

// Stored level of a linear light, through the sRGB curve: once per cell, not per dot.
float LevelOf(double light) {
  const double v = light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
  return static_cast<float>(std::clamp(v, 0.0, 1.0) * 255.0);
}

// The correction's weight at a cell, as FogAmountAtSquaredDistance takes it.
float WeightAt(const Cell& cell, int shape, std::int32_t size) {
  const float r = static_cast<float>(std::sqrt(static_cast<double>(cell.squaredDistance)));
  if (r >= size) return 0.0f;
  const int step = static_cast<int>(std::floor(300.0 - r / static_cast<double>(size) * 300.0));
  return TransitionCurve()(shape, step);
}

double CorrectedLight(const Cell& cell, float weight, std::int32_t brightness) {
  // As FogAmountAtSquaredDistance multiplies them.
  const auto amount = static_cast<float>(static_cast<double>(weight) * brightness);
  const auto& row =
      LightOfToneRows()[LeavesPixelUnchanged(amount) ? kIdentityRow : BrightnessRow(amount)];
  const int low = std::min(254, static_cast<int>(cell.level));
  const double f = cell.level - low;
  return row[low] + f * (row[low + 1] - row[low]);
}

}  // namespace

FogChoice SearchFog(const CellBackground& map, const GlowFit& glow, const FogHold& hold) {
  const auto cx = static_cast<std::int32_t>(std::lround(glow.centreX));
  const auto cy = static_cast<std::int32_t>(std::lround(glow.centreY));
  std::vector<Cell> cells;
  for (int row = 0; row < map.height; ++row)
    for (int column = 0; column < map.width; ++column) {
      const float light = map.at(column, row);
      if (light < 0) continue;
      const double dx = std::round(map.placement.x[column]) - cx;
      const double dy = std::round(map.placement.y[row]) - cy;
      const double glowLight =
          glow.peak * GlowProfile(std::hypot(dx, dy) / std::max(glow.radius, 1.0));
      cells.push_back({static_cast<std::uint64_t>(dx * dx + dy * dy), LevelOf(light),
                       std::max(0.0, light - glowLight)});
    }
  FogChoice best;
  double bestCost = -1;
  std::vector<float> weights(cells.size());
  const std::vector<std::int32_t> sizes = [&] {
    std::vector<std::int32_t> all;
    if (hold.size) return std::vector<std::int32_t>{*hold.size};
    for (const double scale : kRadiusScales)
      all.push_back(static_cast<std::int32_t>(std::lround(glow.radius * scale)));
    return all;
  }();
  const int lowest = hold.storedBrightness ? 0 : kLowestBrightness;
  const int highest = hold.storedBrightness ? 0 : kHighestBrightness;
  for (int shape = hold.shape.value_or(kSoft); shape <= hold.shape.value_or(kSharp); ++shape)
    for (const std::int32_t size : sizes) {
      for (std::size_t i = 0; i < cells.size(); ++i) weights[i] = WeightAt(cells[i], shape, size);
      for (int brightness = lowest; brightness <= highest; ++brightness) {
        // As the brightness field is read: the typed number times 1.4, rounded.
        const auto stored = hold.storedBrightness.value_or(
            static_cast<std::int32_t>(std::nearbyint(brightness * 1.4)));
        double cost = 0;
        for (std::size_t i = 0; i < cells.size(); ++i)
          cost += std::fabs(CorrectedLight(cells[i], weights[i], stored) - cells[i].target);
        if (bestCost < 0 || cost < bestCost) {
          bestCost = cost;
          best = {size, brightness, shape};
        }
      }
    }
  return best;
}

}  // namespace hosei
