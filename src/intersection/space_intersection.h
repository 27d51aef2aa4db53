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
#include <vector>

#include "numeric/one_based.h"
#include "numeric/outcome.h"

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

// A ground point and the rays that meet in it.
struct PointRays {
  std::int32_t PointNo = 0;
  OneBased<Ray> Rays;  // two or more
};

// What the report and the window show of one ground point.
struct IntersectedPoint {
  std::int32_t PointNo = 0;
  OneBased<Ray> Rays;       // its observations: photograph, x, y, orientation
  OneBased<double> Vx, Vy;  // coefficients . solution - absolute term, per ray
  double X = 0, Y = 0, Z = 0;
  double So = 0;                  // sqrt(sum of the 2n squared residuals / (2n - 3))
  double Sx = 0, Sy = 0, Sz = 0;  // So * sqrt of the diagonal of the inverse
  // Solved; Singular(the solver's code) when the rays do not fix the point
  // (all parallel, say); Refused(k) when the photograph of ray k has q = 0,
  // so that its rows cannot be formed. Only a solved point has the values
  // above.
  Outcome outcome;
};

// Intersects one point from its rays (n >= 2): two rows per ray, the x row
// first, each of weight 1, accumulated with AddObservation and solved and
// inverted by CholeskySolve (order 3); then the residuals from the same rows
// again.
IntersectedPoint Intersect(PointRays point);

// The points of one run, in the order of the ground point records, up to
// and including the first that could not be intersected: the run stops
// there.
struct IntersectionResult {
  std::vector<IntersectedPoint> Points;
  bool Succeeded() const { return Points.empty() || Points.back().outcome.Succeeded(); }
};

IntersectionResult IntersectPoints(std::vector<PointRays> points);

}  // namespace tessaro
