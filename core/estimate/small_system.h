#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace hosei {

// Solves a x = b for a few unknowns by elimination with partial pivoting; false when the
// system is singular, x then left as it was.
template <std::size_t N>
bool SolveSmallSystem(std::array<std::array<double, N>, N> a, std::array<double, N> b,
                      std::array<double, N>& x) {
  for (std::size_t k = 0; k < N; ++k) {
    std::size_t pivot = k;
    for (std::size_t i = k + 1; i < N; ++i)
      if (std::fabs(a[i][k]) > std::fabs(a[pivot][k])) pivot = i;
    if (!(std::fabs(a[pivot][k]) > 1e-12)) return false;
    std::swap(a[k], a[pivot]);
    std::swap(b[k], b[pivot]);
    for (std::size_t i = k + 1; i < N; ++i) {
      const double f = a[i][k] / a[k][k];
      for (std::size_t j = k; j < N; ++j) a[i][j] -= f * a[k][j];
      b[i] -= f * b[k];
    }
  }
  std::array<double, N> solved{};
  for (std::size_t k = N; k-- > 0;) {
    double s = b[k];
    for (std::size_t j = k + 1; j < N; ++j) s -= a[k][j] * solved[j];
    solved[k] = s / a[k][k];
  }
  x = solved;
  return true;
}

// Adds w * row^T row to `normal` and w * row * value to `right`: one observation of a
// weighted least-squares fit.
template <std::size_t N>
void AddObservation(std::array<std::array<double, N>, N>& normal, std::array<double, N>& right,
                    const std::array<double, N>& row, double value, double w) {
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t j = 0; j < N; ++j) normal[i][j] += w * row[i] * row[j];
    right[i] += w * row[i] * value;
  }
}

}  // namespace hosei
