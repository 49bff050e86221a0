#include "background_falloff.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "centre_search.h"
#include "small_system.h"

namespace hosei {

namespace {

constexpr int kIterations = 20;
// Residuals within this (in log light, a factor e) are the background's own spread and are
// fitted by least squares, so each ring of cells is met at its mean, as the correction must
// restore each ring's light; only a cell further off (a galaxy or a lamp filling it) is
// weighed down, by least absolute residuals. A least-absolute fit throughout follows each
// ring's most common cell instead, and on a star field leaves the corners several
// percent too bright.
constexpr double kResidualFloor = 1.0;
// A moved centre must fit the background this much better than the picture's centre. The
// cells' own scatter is most of the cost: over a centred falloff, moving the centre onto a
// lit wall's slope gains about a percent, onto a falloff trimmed off-centre five and more.
constexpr double kMovedCentreGain = 0.03;

struct Cell {
  double u, v, logLight;
};

struct RadialFit {
  double level = 0, c1 = 0, c2 = 0;
  // What the reweighted fit minimises, so that centres are compared as the fit judges them:
  // half squares of the residuals within the floor (over the floor), absolute values beyond.
  double cost = 0;
};

// log light = level - c1 q - c2 q², q the squared distance from (a, b), by reweighted least
// squares; a term not `free` stays 0.
RadialFit FitAround(const std::vector<Cell>& cells, double a, double b, bool quadraticFree,
                    bool quarticFree) {
  std::array<double, 3> p{};
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<std::array<double, 3>, 3> normal{};
    std::array<double, 3> right{};
    for (const Cell& cell : cells) {
      const double q = (cell.u - a) * (cell.u - a) + (cell.v - b) * (cell.v - b);
      const std::array<double, 3> row = {1, quadraticFree ? -q : 0.0, quarticFree ? -q * q : 0.0};
      const double model = row[0] * p[0] + row[1] * p[1] + row[2] * p[2];
      const double w = 1.0 / std::max(kResidualFloor, std::fabs(cell.logLight - model));
      AddObservation(normal, right, row, cell.logLight, iteration == 0 ? 1.0 : w);
    }
    // A fixed term's row and column are empty: a unit diagonal keeps it at 0.
    if (!quadraticFree) normal[1][1] = 1;
    if (!quarticFree) normal[2][2] = 1;
    if (!SolveSmallSystem(normal, right, p)) break;
  }
  return {p[0], p[1], p[2], 0.0};
}

double CostOf(const std::vector<Cell>& cells, double a, double b, RadialFit& fit) {
  fit.cost = 0;
  for (const Cell& cell : cells) {
    const double q = (cell.u - a) * (cell.u - a) + (cell.v - b) * (cell.v - b);
    const double r = std::fabs(cell.logLight - (fit.level - fit.c1 * q - fit.c2 * q * q));
    fit.cost += r <= kResidualFloor ? r * r / (2 * kResidualFloor) : r - kResidualFloor / 2;
  }
  return fit.cost;
}

// A falloff only darkens outwards: the slope c1 + 2 c2 q stays >= 0 out to the farthest
// corner. A two-term fit that breaks this by brightening a little around the centre is a
// falloff flat in the middle, refitted by its q² term alone; any other falls back to the
// q term alone, a brightening one to a flat background.
RadialFit MonotoneFitAround(const std::vector<Cell>& cells, double a, double b,
                            double farthestSquared) {
  RadialFit fit = FitAround(cells, a, b, true, true);
  if (!(fit.c1 >= 0) && fit.c2 > 0) fit = FitAround(cells, a, b, false, true);
  if (!(fit.c1 >= 0 && fit.c1 + 2 * fit.c2 * farthestSquared >= 0)) {
    fit = FitAround(cells, a, b, true, false);
    if (!(fit.c1 >= 0)) {
      std::vector<double> logs;
      for (const Cell& cell : cells) logs.push_back(cell.logLight);
      std::nth_element(logs.begin(), logs.begin() + logs.size() / 2, logs.end());
      fit = {logs[logs.size() / 2], 0, 0, 0};
    }
  }
  CostOf(cells, a, b, fit);
  return fit;
}

// Where a one-term falloff would put its centre, from a fit linear in its unknowns:
// level - c1 (u² + v²) + β u + γ v, whose centre is (β, γ) / 2 c1.
std::pair<double, double> LinearCentre(const std::vector<Cell>& cells) {
  std::array<double, 4> p{};
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<std::array<double, 4>, 4> normal{};
    std::array<double, 4> right{};
    for (const Cell& cell : cells) {
      const std::array<double, 4> row = {1, -(cell.u * cell.u + cell.v * cell.v), cell.u, cell.v};
      const double model = p[0] + p[1] * row[1] + p[2] * row[2] + p[3] * row[3];
      const double w = 1.0 / std::max(kResidualFloor, std::fabs(cell.logLight - model));
      AddObservation(normal, right, row, cell.logLight, iteration == 0 ? 1.0 : w);
    }
    if (!SolveSmallSystem(normal, right, p)) break;
  }
  if (!(p[1] > 0)) return {0, 0};
  return {p[2] / (2 * p[1]), p[3] / (2 * p[1])};
}

}  // namespace

BackgroundFalloff FitBackgroundFalloff(const CellBackground& map, int width, int height) {
  const Normalised n(width, height);
  BackgroundFalloff result;
  result.falloff.centreX = n.centreX;
  result.falloff.centreY = n.centreY;
  result.falloff.halfDiagonal = n.unit;
  std::vector<Cell> cells;
  for (int row = 0; row < map.height; ++row)
    for (int column = 0; column < map.width; ++column)
      if (const float light = map.at(column, row); light > 0)
        cells.push_back({n.u(map.placement.x[column]), n.v(map.placement.y[row]), std::log(light)});
  if (cells.size() < 8) return result;

  const auto fitAt = [&](double a, double b) {
    return MonotoneFitAround(cells, a, b, FarthestCornerSquared(width, height, a, b));
  };
  double bestU = 0, bestV = 0;
  const RadialFit best =
      FitAboutBestCentre(fitAt, LinearCentre(cells), MovableCentreBounds(width, height),
                         kMovedCentreGain, bestU, bestV);
  result.falloff.centreX = n.x(bestU);
  result.falloff.centreY = n.y(bestV);
  result.falloff.c1 = best.c1;
  result.falloff.c2 = best.c2;
  std::vector<double> residuals;
  for (const Cell& cell : cells) {
    const double q = (cell.u - bestU) * (cell.u - bestU) + (cell.v - bestV) * (cell.v - bestV);
    residuals.push_back(std::fabs(cell.logLight - (best.level - best.c1 * q - best.c2 * q * q)));
  }
  std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2, residuals.end());
  result.spread = residuals[residuals.size() / 2];
  return result;
}

}  // namespace hosei
