// AddObservation and AddNormalRow. The packed elements are visited in storage order.
#include "numeric/normal_equations.h"

#include <cassert>
#include <cmath>
#include <cstddef>

#include "numeric/packed.h"

namespace tessaro {

void AddObservation(int M, const OneBased<double>& R, OneBased<double>& A, OneBased<double>& U) {
  if (M < 1) return;
  assert(R.size() >= M + 2);
  assert(A.size() >= PackedSize(M));
  assert(U.size() >= M);

  // The power operator; one value, used as the divisor
  // of every element separately (the row is never scaled once).
  const double s2 = std::pow(R(M + 2), 2);
  std::ptrdiff_t k = 0;
  for (int i = 1; i <= M; ++i) {
    U(i) = U(i) + (R(i) * R(M + 1)) / s2;
    for (int j = 1; j <= i; ++j) {
      k = k + 1;
      A(k) = A(k) + (R(i) * R(j)) / s2;
    }
  }
}

void AddNormalRow(OneBased<double>& A, OneBased<double>& U, const OneBased<double>& row, int M) {
  if (M < 1) return;
  assert(row.size() >= M + 1);
  assert(A.size() >= PackedSize(M));
  assert(U.size() >= M);

  std::ptrdiff_t k = 0;
  for (int i = 1; i <= M; ++i) {
    U(i) = U(i) + row(M + 1) * row(i);
    for (int j = 1; j <= i; ++j) {
      k = k + 1;
      A(k) = A(k) + row(i) * row(j);
    }
  }
}

}  // namespace tessaro
