#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace hosei {

inline constexpr int kShapeCount = 3;
inline constexpr int kTransitionSteps = 302;  // steps 0..301; callers use 0..300
inline constexpr int kToneRows = 801;         // rows 0..800; 1..700 are written
inline constexpr int kToneLevels = 257;       // levels 0..256; 0..255 are written
inline constexpr int kGammaRow = 0;
inline constexpr int kIdentityRow = 250;
inline constexpr int kHighestBrightnessRow = 700;

// Weight of a local correction along its transition zone, per shape (Soft,
// Intermediate, Sharp) and step. Built once at start-up, read-only afterwards.
class TransitionCurveTable {
 public:
  void build();
  float operator()(int shape, int step) const { return weight_[shape][step]; }
  const float* shape(int shape) const { return weight_[shape].data(); }

 private:
  std::array<std::array<float, kTransitionSteps>, kShapeCount> weight_{};
};

// Maps an 8-bit level to a new level. Rows 1..700 are brightness curves for the amounts
// -99.6 .. +180 in steps of 0.4 (row 250 is the identity); row 0 is the gamma curve.
// A brightness row is built the first time it is read (a run reads only a few of them),
// once, safely from any thread; its values are the same whenever it is built.
class ToneCurveTable {
 public:
  // Rebuilds row 0 from the gamma value; every gamma run calls it before reading pixels.
  void buildGammaRow(float gamma);
  std::int16_t operator()(int row, int level) const { return this->row(row)[level]; }
  const std::int16_t* row(int row) const;

 private:
  void buildBrightnessRow(int row) const;

  mutable std::array<std::array<std::int16_t, kToneLevels>, kToneRows> level_{};
  mutable std::array<std::once_flag, kToneRows> built_;
};

// The two program-wide tables. Zero until built.
extern TransitionCurveTable TransitionCurve;
extern ToneCurveTable ToneCurve;

// Builds TransitionCurve once (later calls do nothing); ToneCurve's brightness rows follow
// on first use.
void BuildTables();

}  // namespace hosei
