#include "gradient_falloff.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "centre_search.h"
#include "small_system.h"

namespace hosei {

namespace {

// Gradients are in log light per half diagonal. A one-percent step between neighbouring
// cells is already about one unit, so gradients well above this are the scene's edges and
// count only by their direction.
constexpr double kEdgeScale = 1.5;
constexpr int kIterations = 10;
// A moved centre must balance the gradients this much better than the picture's centre.
constexpr double kMovedCentreGain = 0.01;
// Angular sectors about the centre. A sector holding under a quarter of its even share of
// the gradients (the picture's edge cuts it off) says too little to count.
constexpr int kSectors = 8;
constexpr std::size_t kSectorShareDivisor = kSectors * 4;
// A single direction may disagree with all the others: one lamp, window or white cup on
// one side brightens that sector outwards whatever the lens does. Trusting only the least
// falloff of all sectors gave up on three of five darkened portraits over that; trusting
// the third least already corrected clean photographs' own shading (their profiles moved
// by 13 and 21 percent on the committed camera and astronaut).
constexpr std::size_t kDirectionsIgnored = 1;
// Fewer sectors than this with enough gradients cannot show that the directions agree.
constexpr std::size_t kFewestSectors = 3;

struct Gradient {
  double u, v;    // position in half diagonals from the picture's centre
  double gu, gv;  // log-light gradient per half diagonal
};

// Central differences of log light wherever a cell and its four neighbours are usable.
std::vector<Gradient> Gradients(const LightMap& map, const Normalised& n) {
  std::vector<float> logLight(map.light.size());
  for (std::size_t i = 0; i < map.light.size(); ++i)
    logLight[i] = map.light[i] > 0 ? std::log(map.light[i]) : 0.0f;
  const auto at = [&](int column, int row) {
    return logLight[static_cast<std::size_t>(row) * map.width + column];
  };
  const auto usable = [&](int column, int row) { return map.at(column, row) > 0; };
  const auto& x = map.placement.x;
  const auto& y = map.placement.y;
  std::vector<Gradient> gradients;
  for (int row = 1; row + 1 < map.height; ++row)
    for (int column = 1; column + 1 < map.width; ++column) {
      if (!usable(column, row) || !usable(column - 1, row) || !usable(column + 1, row) ||
          !usable(column, row - 1) || !usable(column, row + 1))
        continue;
      gradients.push_back(
          {n.u(x[column]), n.v(y[row]),
           (at(column + 1, row) - at(column - 1, row)) / (x[column + 1] - x[column - 1]) * n.unit,
           (at(column, row - 1) - at(column, row + 1)) / (y[row - 1] - y[row + 1]) * n.unit});
    }
  return gradients;
}

double Charbonnier(double squared) {
  return std::sqrt(kEdgeScale * kEdgeScale + squared) - kEdgeScale;
}

struct RadialFit {
  double c1 = 0, c2 = 0;
  double cost = 0;
};

// The slope of -log(light kept) along the radius, per unit of distance, is
// (2 c1 + 4 c2 q) times the distance: the falloff adds -(2 c1 + 4 c2 q) (u - a, v - b) to
// the gradient at (u, v), q being the squared distance from the centre (a, b).
double Slope(const RadialFit& fit, double q) { return 2 * fit.c1 + 4 * fit.c2 * q; }

double CostOf(const std::vector<Gradient>& gradients, double a, double b, const RadialFit& fit) {
  double cost = 0;
  for (const Gradient& g : gradients) {
    const double du = g.u - a, dv = g.v - b;
    const double s = Slope(fit, du * du + dv * dv);
    cost += Charbonnier((g.gu + s * du) * (g.gu + s * du) + (g.gv + s * dv) * (g.gv + s * dv));
  }
  return cost;
}

// c1 and c2 enter the gradient linearly: reweighted least squares finds them.
template <std::size_t Terms>
RadialFit FitAround(const std::vector<Gradient>& gradients, double a, double b) {
  std::array<double, Terms> c{};
  RadialFit fit;
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<std::array<double, Terms>, Terms> normal{};
    std::array<double, Terms> right{};
    for (const Gradient& g : gradients) {
      const double du = g.u - a, dv = g.v - b;
      const double q = du * du + dv * dv;
      if (q < 1e-12) continue;  // at the centre a falloff has no gradient
      const double s = Slope(fit, q);
      const double ru = g.gu + s * du, rv = g.gv + s * dv;
      const double w = 1.0 / std::sqrt(kEdgeScale * kEdgeScale + ru * ru + rv * rv);
      std::array<double, Terms> row{};
      row[0] = 2;
      if constexpr (Terms > 1) row[1] = 4 * q;
      // Only the gradient along the radius depends on the falloff's size.
      const double radial = du * g.gu + dv * g.gv;
      AddObservation(normal, right, row, -radial / q, w * q);
    }
    if (!SolveSmallSystem(normal, right, c)) break;
    fit.c1 = c[0];
    if constexpr (Terms > 1) fit.c2 = c[1];
  }
  return fit;
}

// A falloff only darkens outwards: c1 >= 0 and the slope stays >= 0 out to the farthest
// corner. A two-term fit that breaks this falls back to one term, a brightening one term
// to none.
RadialFit MonotoneFitAround(const std::vector<Gradient>& gradients, double a, double b,
                            double farthestSquared) {
  RadialFit fit = FitAround<2>(gradients, a, b);
  if (!(fit.c1 >= 0 && Slope(fit, farthestSquared) >= 0)) {
    fit = FitAround<1>(gradients, a, b);
    if (!(fit.c1 >= 0)) fit = {};
  }
  fit.cost = CostOf(gradients, a, b, fit);
  return fit;
}

// Where a one-term falloff would put its centre, from a fit linear in its unknowns: its
// gradient -(α u - β, α v - γ) has α = 2 c1 and the centre (β, γ) / α.
std::pair<double, double> LinearCentre(const std::vector<Gradient>& gradients) {
  std::array<double, 3> p{};
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<std::array<double, 3>, 3> normal{};
    std::array<double, 3> right{};
    for (const Gradient& g : gradients) {
      const double ru = g.gu + p[0] * g.u - p[1], rv = g.gv + p[0] * g.v - p[2];
      const double w = 1.0 / std::sqrt(kEdgeScale * kEdgeScale + ru * ru + rv * rv);
      AddObservation(normal, right, {g.u, -1, 0}, -g.gu, w);
      AddObservation(normal, right, {g.v, 0, -1}, -g.gv, w);
    }
    if (!SolveSmallSystem(normal, right, p)) break;
  }
  if (!(p[0] > 0)) return {0, 0};
  return {p[1] / p[0], p[2] / p[0]};
}

// How much of the common falloff each sector wants, fitted on its own as one scale factor;
// the share that every sector with enough gradients but kDirectionsIgnored wants at
// least, 0 when too few sectors have enough.
double AgreedShare(const std::vector<Gradient>& gradients, double a, double b,
                   const RadialFit& fit) {
  constexpr double kTwoPi = 6.283185307179586;
  std::array<double, kSectors> scale{};
  std::array<std::size_t, kSectors> count{};
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::array<double, kSectors> numerator{}, denominator{};
    count.fill(0);
    for (const Gradient& g : gradients) {
      const double du = g.u - a, dv = g.v - b;
      const double q = du * du + dv * dv;
      const int sector = std::min(
          kSectors - 1, static_cast<int>((std::atan2(dv, du) + kTwoPi / 2) / kTwoPi * kSectors));
      const double s = Slope(fit, q);
      const double k = iteration == 0 ? 1.0 : scale[sector];
      const double ru = g.gu + k * s * du, rv = g.gv + k * s * dv;
      const double w = 1.0 / std::sqrt(kEdgeScale * kEdgeScale + ru * ru + rv * rv);
      numerator[sector] -= w * s * (du * g.gu + dv * g.gv);
      denominator[sector] += w * s * s * q;
      ++count[sector];
    }
    for (int sector = 0; sector < kSectors; ++sector)
      scale[sector] = denominator[sector] > 0 ? numerator[sector] / denominator[sector] : 1.0;
  }
  std::vector<double> counted;
  for (int sector = 0; sector < kSectors; ++sector)
    if (count[sector] * kSectorShareDivisor >= gradients.size()) counted.push_back(scale[sector]);
  if (counted.size() < kFewestSectors) return 0;
  std::nth_element(counted.begin(), counted.begin() + kDirectionsIgnored, counted.end());
  return counted[kDirectionsIgnored];
}

}  // namespace

GradientFalloff FitGradientFalloff(const LightMap& map, int width, int height) {
  const Normalised n(width, height);
  GradientFalloff result;
  result.falloff.centreX = n.centreX;
  result.falloff.centreY = n.centreY;
  result.falloff.halfDiagonal = n.unit;
  const std::vector<Gradient> gradients = Gradients(map, n);
  if (gradients.size() < 16) return result;

  const auto fitAt = [&](double a, double b) {
    return MonotoneFitAround(gradients, a, b, FarthestCornerSquared(width, height, a, b));
  };
  double bestU = 0, bestV = 0;
  const RadialFit best =
      FitAboutBestCentre(fitAt, LinearCentre(gradients), MovableCentreBounds(width, height),
                         kMovedCentreGain, bestU, bestV);
  result.falloff.centreX = n.x(bestU);
  result.falloff.centreY = n.y(bestV);
  if (!(best.c1 > 0 || best.c2 > 0)) return result;
  // The scene's own shading adds to the falloff in some directions and takes from it in
  // others; what nearly all directions need is the most that can be the lens's. Where the
  // scene takes more than that in a second direction, nothing is left to trust.
  const double share = std::clamp(AgreedShare(gradients, bestU, bestV, best), 0.0, 1.0);
  result.falloff.c1 = share * best.c1;
  result.falloff.c2 = share * best.c2;
  result.consistent = share > 0;
  return result;
}

}  // namespace hosei
