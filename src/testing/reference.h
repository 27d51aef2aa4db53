// Independent references for the tests: dense linear algebra in long double,
// computed by a different method (Gauss-Jordan elimination with partial
// pivoting) from the one under test, so that agreement means something.
#pragma once

#include <array>
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

// A photograph's exterior orientation: projection centre and the angles
// omega, phi, kappa in radians.
struct ReferenceStation {
  long double X = 0, Y = 0, Z = 0, omega = 0, phi = 0, kappa = 0;
};

// M v: v turned by omega about x, then by phi about the new y, then by
// kappa about the new z, one plane rotation after another in long double.
// It shares no code with the production rotation or collinearity kernel, so
// agreement means something.
std::array<long double, 3> Rotate(const ReferenceStation& s, std::array<long double, 3> v);

// The image point (x, y) of ground point (X, Y, Z) on a photograph of
// principal distance f: the ground vector from the projection centre
// turned, (u, v, w) = M (X - X0, Y - Y0, Z - Z0), and projected,
// x = -f u / w, y = -f v / w.
std::array<long double, 2> Project(const ReferenceStation& s, long double f, long double X,
                                   long double Y, long double Z);

}  // namespace tessaro
