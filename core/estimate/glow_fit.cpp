#include "glow_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "deep_corrector.h"
#include "small_system.h"
#include "tone_mapping.h"

namespace hosei {

namespace {

constexpr int kIterations = 6;
// The fit follows the lower envelope of the background: a glow adds light to everything
// under it, while the scene's objects only add light above whatever lies beneath them, so
// residuals above the model cost far less than residuals below it (quantile regression at
// this share).
constexpr double kEnvelopeShare = 0.15;
// Centres are tried on a grid over the picture and a margin around it (a glow's centre,
// like a town's dome below the horizon, may lie outside), radii from a fifth of the
// diagonal, smaller glows being the scene's lamps and bright objects, to more than the whole.
constexpr int kGridSteps = 16;
constexpr double kMargin = 0.15;
constexpr std::array<double, 7> kRadii = {0.2, 0.28, 0.4, 0.56, 0.8, 1.1, 1.5};
// Fewer cells than this in a glow's core cannot show that it lifts what lies under it.
constexpr int kFewestCoreCells = 8;

struct Cell {
  double x, y, light;
};

struct Fit {
  double base = 0, peak = 0, cost = 0;
};

double EnvelopeLoss(double residual) {
  return residual > 0 ? kEnvelopeShare * residual : (kEnvelopeShare - 1) * residual;
}

// base and peak for a given circle (profile 0 everywhere for none), by reweighted least
// squares on the envelope loss. A glow only adds light: a negative peak is refitted as none.
Fit FitCircle(const std::vector<Cell>& cells, const std::vector<double>& profile) {
  std::array<double, 2> p{};
  double floor = 0;
  for (const Cell& cell : cells) floor += cell.light;
  // Residuals below a fraction of the mean light weigh as that fraction, which bounds the
  // weights of cells the model meets exactly.
  floor = std::max(1e-7, 0.002 * floor / static_cast<double>(cells.size()));
  bool withGlow = true;
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<std::array<double, 2>, 2> normal{};
    std::array<double, 2> right{};
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const double r = cells[i].light - (p[0] + p[1] * profile[i]);
      const double w = iteration == 0 ? 1.0
                                      : (r > 0 ? kEnvelopeShare : 1 - kEnvelopeShare) /
                                            std::max(floor, std::fabs(r));
      AddObservation(normal, right, {1.0, withGlow ? profile[i] : 0.0}, cells[i].light, w);
    }
    if (!withGlow) normal[1][1] = 1;
    if (!SolveSmallSystem(normal, right, p)) break;
    if (p[1] < 0) {
      withGlow = false;
      p[1] = 0;
    }
  }
  Fit fit{p[0], p[1], 0};
  for (std::size_t i = 0; i < cells.size(); ++i)
    fit.cost += EnvelopeLoss(cells[i].light - (p[0] + p[1] * profile[i]));
  return fit;
}

// The profile at steps of 1/kProfileSteps, looked up for the many candidate circles.
constexpr int kProfileSteps = 1024;

const std::array<double, kProfileSteps + 1>& ProfileTable() {
  static const auto table = [] {
    std::array<double, kProfileSteps + 1> t{};
    for (int i = 0; i <= kProfileSteps; ++i)
      t[i] = GlowProfile(static_cast<double>(i) / kProfileSteps);
    return t;
  }();
  return table;
}

std::vector<double> ProfileOf(const std::vector<Cell>& cells, double cx, double cy, double radius) {
  const auto& table = ProfileTable();
  std::vector<double> profile(cells.size());
  const double perStep = kProfileSteps / radius;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const double dx = cells[i].x - cx, dy = cells[i].y - cy;
    const double t = std::sqrt(dx * dx + dy * dy) * perStep;
    if (!(t < kProfileSteps)) continue;
    const int step = static_cast<int>(t);
    profile[i] = table[step] + (t - step) * (table[step + 1] - table[step]);
  }
  return profile;
}

}  // namespace

double GlowProfile(double t) {
  if (!(t < 1)) return 0;
  return InterpolatedWeight(kSoft, 300.0 - t * 300.0) / InterpolatedWeight(kSoft, 300.0);
}

GlowFit FitGlow(const CellBackground& map, int width, int height) {
  GlowFit glow;
  glow.centreX = width / 2.0;
  glow.centreY = height / 2.0;
  glow.radius = std::hypot(width, height) / 2;
  std::vector<Cell> cells;
  for (int row = 0; row < map.height; ++row)
    for (int column = 0; column < map.width; ++column)
      if (const float light = map.at(column, row); light >= 0)
        cells.push_back({map.placement.x[column], map.placement.y[row], light});
  if (cells.size() < 8) return glow;

  const double diagonal = std::hypot(width, height);
  Fit best;
  bool first = true;
  const auto consider = [&](double cx, double cy, double radius) {
    const Fit fit = FitCircle(cells, ProfileOf(cells, cx, cy, radius));
    if (!first && !(fit.cost < best.cost)) return false;
    first = false;
    best = fit;
    glow.centreX = cx;
    glow.centreY = cy;
    glow.radius = radius;
    return true;
  };
  for (int i = 0; i <= kGridSteps; ++i)
    for (int j = 0; j <= kGridSteps; ++j)
      for (const double radius : kRadii)
        consider(width * (-kMargin + (1 + 2 * kMargin) * i / kGridSteps),
                 height * (-kMargin + (1 + 2 * kMargin) * j / kGridSteps), radius * diagonal);
  // A compass search from the best grid point, in the centre and in the radius's scale.
  for (double step = diagonal / kGridSteps / 2; step > diagonal / 1000; step /= 2)
    for (bool improved = true; improved;) {
      improved = false;
      const double cx = glow.centreX, cy = glow.centreY, radius = glow.radius;
      const double grow = 1 + step / radius;
      for (const auto& [dx, dy, scale] : std::array<std::array<double, 3>, 6>{{{step, 0, 1},
                                                                               {-step, 0, 1},
                                                                               {0, step, 1},
                                                                               {0, -step, 1},
                                                                               {0, 0, grow},
                                                                               {0, 0, 1 / grow}}})
        if (consider(cx + dx, cy + dy, std::max(radius * scale, kRadii.front() * diagonal)))
          improved = true;
    }
  glow.base = best.base;
  glow.peak = best.peak;
  const std::vector<double> profile = ProfileOf(cells, glow.centreX, glow.centreY, glow.radius);
  std::vector<double> residuals;
  for (std::size_t i = 0; i < cells.size(); ++i)
    residuals.push_back(std::fabs(cells[i].light - (best.base + best.peak * profile[i])));
  std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2, residuals.end());
  glow.spread = residuals[residuals.size() / 2];
  // A base below black is the fitted profile's shape making up for a wider glow, not light
  // the scene has: the lift is measured from what the cells can have.
  const double floor = std::max(best.base, 0.0);
  int core = 0, unlifted = 0;
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (profile[i] >= 0.5) {
      ++core;
      unlifted += cells[i].light < floor + 0.5 * best.peak * profile[i];
    }
  if (core >= kFewestCoreCells) glow.unlifted = static_cast<double>(unlifted) / core;
  const Fit none = FitCircle(cells, std::vector<double>(cells.size(), 0.0));
  glow.explained = none.cost > 0 ? 1 - best.cost / none.cost : 0;
  return glow;
}

}  // namespace hosei
