#include "deep_reference.h"

#include <algorithm>
#include <cmath>

#include "tables.h"
#include "vignetting.h"

namespace hosei::test {

namespace {

double Weight(int shape, double s) {
  s = std::min(std::max(s, 0.0), 301.0);
  const double low = std::floor(s);
  const double high = std::min(low + 1.0, 301.0);
  const double t = s - low;
  return TransitionCurve()(shape, static_cast<int>(low)) * (1.0 - t) +
         TransitionCurve()(shape, static_cast<int>(high)) * t;
}

double Amount(const Parameters& p, const VignettingGeometry& g, int x, int y) {
  if (p.mode == Mode::kVignetting) {
    const double d =
        std::hypot(x - static_cast<double>(g.centreX), y - static_cast<double>(g.centreY));
    const double r0 = g.startRadius, r = g.cornerDistance;
    if (d <= r0) return 0.0;
    return p.coefficient * Weight(p.shape, (d - r0) / (r - r0) * 300.0);
  }
  const double distance =
      std::hypot(static_cast<double>(x) - p.lightX, static_cast<double>(y) - p.lightY);
  if (distance >= p.size) return 0.0;
  return Weight(p.shape, 300.0 - distance / p.size * 300.0) * p.brightness;
}

double Mapped(double x, double amount) {
  if (std::fabs(amount) <= 0.002) return x;
  const double h = std::min(std::max(2.5 * amount + 250.0, 1.0), 700.0);
  const double m = h / 2.5 - 100.0;
  double v = std::pow(x, 250.0 / h);
  if (m > 0) v *= 1.0 + m / 250.0;
  return std::min(std::max(v, 0.0), 1.0);
}

}  // namespace

std::vector<double> DeepReference(std::vector<double> bgr, int width, int height,
                                  const Parameters& p,
                                  const std::optional<MovedCentre>& movedCentre) {
  const VignettingGeometry g =
      SetUpVignetting(p.startFraction, p.coefficient, p.shape, width, height, movedCentre);
  for (int y = 1; y <= height; ++y) {
    for (int x = 1; x <= width; ++x) {
      double* pixel = &bgr[3 * (static_cast<std::size_t>(y - 1) * width + (x - 1))];
      const double amount = p.mode == Mode::kGamma ? 0.0 : Amount(p, g, x, y);
      for (int c = 0; c < 3; ++c)
        pixel[c] =
            p.mode == Mode::kGamma ? std::pow(pixel[c], 1.0 / p.gamma) : Mapped(pixel[c], amount);
      if (!p.background) continue;
      const double mean = (pixel[0] + pixel[1] + pixel[2]) / 3.0;
      if (mean >= p.threshold / 255.0) continue;
      const double shares[3] = {0.5, 0.3, 0.4};  // blue, green, red
      for (int c = 0; c < 3; ++c)
        if (pixel[c] > mean + 6.0 / 255.0)
          pixel[c] = (shares[c] * pixel[c] + mean) / (1.0 + shares[c]);
    }
  }
  return bgr;
}

}  // namespace hosei::test
