// The arithmetic of the space intersection, without a console: one ground
// point from its image rays on photographs of known exterior orientation.
//
// Each ray gives the two collinearity conditions of its image point (x, y),
// with M the rotation of its photograph and P0 its projection centre:
//   x * m3.(P - P0) + f * m1.(P - P0) = 0,   y * m3.(P - P0) + f * m2.(P - P0) = 0,
// which are linear in the ground point P = (X, Y, Z). Every row is divided by
// q = m3.P0 of its photograph (the projection centre alone, not P - P0), so
// the residuals are in those scaled units, not in image units. The rows are
// solved directly by least squares: no approximations, no iteration.
//
// Conventions: rays and residuals are numbered 1..n; angles of a Ray are in
// radians; every sum runs in the order written, one double operation at a
// time, so the printed digits are the same on every machine.
#pragma once

#include <cstdint>

#include "numeric/one_based.h"

namespace tessaro {

// One observation of a ground point: its image coordinates and the exterior
// orientation of the photograph that holds it.
struct Ray {
  std::int32_t PhotoNo = 0;
  std::int32_t PointNo = 0;
  double x = 0, y = 0;
  double X0 = 0, Y0 = 0, Z0 = 0, f = 0;
  double Omega = 0, Phi = 0, Kappa = 0;  // radians
};

struct IntersectedPoint {
  // The solver's code (0, or 130 when the rays do not fix the point, for
  // example all parallel); when not 0 nothing below is meaningful.
  int ErrCode = 0;
  // The first ray (1..n) whose photograph has q = 0, so that its rows cannot
  // be formed; 0 when there is none. Nothing is solved then.
  int ZeroQRay = 0;
  double X = 0, Y = 0, Z = 0;
  double So = 0;                  // sqrt(sum of the 2n squared residuals / (2n - 3))
  double Sx = 0, Sy = 0, Sz = 0;  // So * sqrt of the diagonal of the inverse
  OneBased<double> Vx, Vy;        // coefficients . solution - absolute term, per ray
};

// Intersects rays 1..n (n >= 2): two rows per ray, the x row first, each of
// weight 1, accumulated with AddObservation and solved and inverted by
// CholeskySolve (order 3); then the residuals from the same rows again.
IntersectedPoint Intersect(const OneBased<Ray>& rays, int n);

}  // namespace tessaro
