#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace hosei {

inline constexpr int kShapeCount = 3;
inline constexpr int kTransitionSteps = 302;  // steps 0..301; callers use 0..300
inline constexpr int kToneRows = 701;         // brightness rows 1..700; row 0 is unused
inline constexpr int kToneLevels = 256;
inline constexpr int kIdentityRow = 250;
inline constexpr int kHighestBrightnessRow = 700;

// Weight of a local correction along its transition zone, per shape (Soft,
// Intermediate, Sharp) and step.
class TransitionCurveTable {
 public:
  TransitionCurveTable();
  float operator()(int shape, int step) const { return weight_[shape][step]; }

 private:
  std::array<std::array<float, kTransitionSteps>, kShapeCount> weight_{};
};

// Maps an 8-bit level to a new level: rows 1..700 are brightness curves for the amounts
// -99.6 .. +180 in steps of 0.4 (row 250 is the identity). A row is built the first time
// it is read, since a run reads only a few of them; it is built once, safely from any
// thread, and never changes afterwards.
class ToneCurveTable {
 public:
  std::int16_t operator()(int row, int level) const { return this->row(row)[level]; }
  const std::int16_t* row(int row) const;

 private:
  void buildRow(int row) const;

  mutable std::array<std::array<std::int16_t, kToneLevels>, kToneRows> level_{};
  mutable std::array<std::once_flag, kToneRows> built_;
};

// The tables every correction shares, built on first use and read-only from then on.
const TransitionCurveTable& TransitionCurve();
const ToneCurveTable& ToneCurve();

// The whole-image gamma curve for one run: level l becomes (l / 255)^(1 / gamma) * 255,
// rounded to the nearest level with ties going upwards.
using GammaCurve = std::array<std::uint8_t, kToneLevels>;
GammaCurve BuildGammaCurve(float gamma);

}  // namespace hosei
