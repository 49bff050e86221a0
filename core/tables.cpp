#include "tables.h"

#include <cmath>

namespace hosei {

namespace {

// The constants stand as the curves were first tuned with; they are close to, but not
// exactly, pi and pi/2, and the table values depend on them to the last bit.
constexpr double kPi = 3.141592653588;
constexpr double kHalfPi = 1.570796327;
constexpr float kPlateau = 0.6171f;

double RaisedCosine(double x) { return std::sin(x * kPi - kHalfPi) + 1.0; }

}  // namespace

TransitionCurveTable::TransitionCurveTable() {
  auto& soft = weight_[0];
  auto& intermediate = weight_[1];
  auto& sharp = weight_[2];
  for (int i = 0; i < kTransitionSteps; ++i) {
    soft[i] = static_cast<float>(RaisedCosine(i / 395.0) / 2.8);
  }
  for (int j = 0; j < kTransitionSteps; ++j) {
    intermediate[j] = j < 290 ? static_cast<float>(RaisedCosine(j / 290.0) / 3.2409658) : kPlateau;
  }
  for (int k = 0; k < kTransitionSteps; ++k) {
    sharp[k] =
        k < 270 ? static_cast<float>(RaisedCosine(std::pow(k / 270.0, 0.73)) / 3.240965) : kPlateau;
  }
}

const std::int16_t* ToneCurveTable::row(int row) const {
  std::call_once(built_[row], [this, row] { buildRow(row); });
  return level_[row].data();
}

void ToneCurveTable::buildRow(int h) const {
  const float m = static_cast<float>(static_cast<float>(h) / 2.5 - 100.0);
  const float g = static_cast<float>((m + 100.0) / 100.0);
  const double e = 1.0 / g;
  for (int l = 0; l < 256; ++l) {
    // The quotient is a single-precision division, the power and scaling double.
    const float base = static_cast<float>(l) / 255.0f;
    float v = static_cast<float>(std::pow(static_cast<double>(base), e) * 255.0);
    if (m > 0) v = static_cast<float>((m / 250.0 + 1.0) * v);
    if (v > 255.0f) v = 255.0f;
    if (v < 0.0f) v = 0.0f;
    level_[h][l] = static_cast<std::int16_t>(std::nearbyint(v));
  }
}

GammaCurve BuildGammaCurve(float gamma) {
  GammaCurve curve{};
  const double e = 1.0 / gamma;
  for (int l = 0; l < kToneLevels; ++l)
    curve[l] = static_cast<std::uint8_t>(std::floor(std::pow(l / 255.0, e) * 255.0 + 0.5));
  return curve;
}

const TransitionCurveTable& TransitionCurve() {
  static const TransitionCurveTable table;
  return table;
}

const ToneCurveTable& ToneCurve() {
  static const ToneCurveTable table;
  return table;
}

}  // namespace hosei
