#pragma once

#include <algorithm>
#include <array>
#include <utility>

namespace hosei {

// Positions in half diagonals from the picture's centre, y upwards: the unit the fits work
// in, so that their constants mean the same for any picture size.
struct Normalised {
  double centreX = 0;  // the picture's centre in dots, x from 1 at the left
  double centreY = 0;  // y from 1 at the bottom row
  double unit = 1;     // the half diagonal in dots

  Normalised(int width, int height);
  double u(double x) const { return (x - centreX) / unit; }
  double v(double y) const { return (y - centreY) / unit; }
  double x(double u) const { return centreX + u * unit; }
  double y(double v) const { return centreY + v * unit; }
};

// Where the centre dialog lets a vignetting centre go: a fifth of the size from each edge.
struct CentreBounds {
  double lowU = 0, highU = 0, lowV = 0, highV = 0;
};
CentreBounds MovableCentreBounds(int width, int height);

// Squared distance, in half diagonals, from (u, v) to the picture's farthest corner.
double FarthestCornerSquared(int width, int height, double u, double v);

// A compass search for the centre with the lowest cost, from (u, v), its steps halving from
// `step` to under a percent of the half diagonal. `cost(u, v)` must be deterministic.
template <typename Cost>
std::pair<double, double> SearchCentre(const Cost& cost, double u, double v,
                                       const CentreBounds& bounds, double step, double& best) {
  u = std::clamp(u, bounds.lowU, bounds.highU);
  v = std::clamp(v, bounds.lowV, bounds.highV);
  best = cost(u, v);
  for (; step > 0.004; step /= 2) {
    for (bool improved = true; improved;) {
      improved = false;
      for (const auto& [du, dv] :
           std::array<std::pair<int, int>, 4>{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}}) {
        const double tu = std::clamp(u + du * step, bounds.lowU, bounds.highU);
        const double tv = std::clamp(v + dv * step, bounds.lowV, bounds.highV);
        const double c = cost(tu, tv);
        if (c < best) {
          best = c;
          u = tu;
          v = tv;
          improved = true;
        }
      }
    }
  }
  return {u, v};
}

// The fit about the picture's centre, or about the centre SearchCentre finds from `start`
// when the fit there costs less by the share `gain`: a moved centre must earn its place,
// since a scene's own slope can always be fitted a little better by moving it. (u, v)
// receive the centre taken. `fitAt(u, v)` returns a fit with a `cost`.
template <typename FitAt>
auto FitAboutBestCentre(const FitAt& fitAt, std::pair<double, double> start,
                        const CentreBounds& bounds, double gain, double& u, double& v) {
  auto best = fitAt(0.0, 0.0);
  u = v = 0;
  double movedCost = 0;
  const auto [movedU, movedV] = SearchCentre([&](double a, double b) { return fitAt(a, b).cost; },
                                             start.first, start.second, bounds, 0.04, movedCost);
  if (movedCost < best.cost * (1 - gain)) {
    best = fitAt(movedU, movedV);
    u = movedU;
    v = movedV;
  }
  return best;
}

}  // namespace hosei
