// Independent references for the tests: dense linear algebra in long double,
// computed by a different method (Gauss-Jordan elimination with partial
// pivoting) from the one under test, so that agreement means something.
#pragma once

#include <vector>

#include "numeric/one_based.h"

namespace tessaro {

using Dense = std::vector<std::vector<long double>>;  // 0-based, row by row

// Solves a*x = b; also gives the inverse of a. a must be regular.
struct DenseSolution {
  Dense inverse;
  std::vector<long double> x;
};
DenseSolution GaussJordan(const Dense& a, const std::vector<long double>& b);

// The least-squares solution of the observation rows (coefficients, then the
// observed value as the last element), all of weight 1.
std::vector<long double> LeastSquares(const Dense& rows);

// Dense a packed into the one-based lower triangle that the solver takes.
OneBased<double> Pack(const Dense& a);

// The values as a OneBased array, v[0] at position 1.
OneBased<double> OneBasedOf(const std::vector<double>& v);

}  // namespace tessaro
