// AddObservation. Packed layout: element (i, j), j <= i, at
// position i*(i-1)/2 + j, positions from 1; visited in that order.
#include "numeric/normal_equations.h"

#include <cassert>
#include <cmath>
#include <cstddef>

namespace tessaro {

void AddObservation(int M, const OneBased<double>& R, OneBased<double>& A,
                    OneBased<double>& U) {
  if (M < 1) return;
  const std::size_t m = static_cast<std::size_t>(M);
  assert(R.size() >= m + 2);
  assert(A.size() >= m * (m + 1) / 2);
  assert(U.size() >= m);

  // The power operator; one value, used as the divisor
  // of every element separately (the row is never scaled once).
  const double s2 = std::pow(R(m + 2), 2);
  std::size_t k = 0;
  for (std::size_t i = 1; i <= m; ++i) {
    U(i) = U(i) + (R(i) * R(m + 1)) / s2;
    for (std::size_t j = 1; j <= i; ++j) {
      k = k + 1;
      A(k) = A(k) + (R(i) * R(j)) / s2;
    }
  }
}

}  // namespace tessaro
