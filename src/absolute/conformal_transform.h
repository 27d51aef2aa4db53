// The arithmetic of the absolute orientation, without a console: counting
// the control, pairing it with the measured points by number, and adjusting
// the seven parameters of the three-dimensional conformal transformation
//   ground = (Dx, Dy, Dz) + scale * R * model
// by iterated least squares. The procedure in absolute_orientation.cpp
// reads, calls these, prints and asks.
//
// Conventions of this file:
// - The unknowns u(1..7) are Dx, Dy, Dz, the scale and three angles in
//   radians. u5 is reported as "Omega" and u7 as "Kappa", but the rotation
//   is R = RotationMatrix(omega = u7, phi = u6, kappa = u5): the first angle
//   of the rotation order is the last unknown.
// - Points are OneBased<std::array<double, 3>>, [0] = X, [1] = Y, [2] = Z.
// - A ground coordinate of exactly zero is not observed: X and Y both zero
//   make a vertical-only control point, Z zero a horizontal-only one.
// - Every sum and product runs in the order written here (the build uses
//   -ffp-contract=off), so every machine prints the same digits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "numeric/one_based.h"
#include "numeric/rotation.h"

namespace tessaro {

using Point3 = std::array<double, 3>;

// A standard error of this size marks an observation left out of the plain
// sum of squares (RMSE); its row still enters the normal equations.
inline constexpr double kExcludedSigma = 1.0E9;
// The iterations stop once no correction exceeds this (ground units, scale
// and radians alike).
inline constexpr double kConvergenceLimit = 0.0001;

// Horizontal control (X or Y not zero) and vertical control (Z not zero)
// among control records 1..n, with the sums of their coordinates in record
// order.
struct ControlCounts {
  std::int32_t horizontal = 0, vertical = 0;
  double sumX = 0, sumY = 0, sumZ = 0;
};
ControlCounts CountControl(const OneBased<Point3>& ground, std::int32_t n);

// Brings the measured partner of every control point forward, in control
// order. m counts the control points without a partner so far; for control
// point i = 1..nCtrl the measured records j = i-m..count are searched for
// the first with its number, and records j and i-m exchange places (number
// and coordinates). Returns the positions i of the control points without a
// partner, ascending. Afterwards measured records 1..nCtrl-m are the
// partners of the matched control points, in control order.
std::vector<std::int32_t> PairByNumber(const OneBased<std::int32_t>& ctrlNo, std::int32_t nCtrl,
                                       OneBased<std::int32_t>& no, OneBased<Point3>& xyz,
                                       std::int32_t count);

// Removes the control records at the ascending positions `drop` from
// 1..n, keeping the others in their order; the records after n (the
// terminating record) move down with them. n is reduced accordingly.
void RemoveControl(OneBased<std::int32_t>& ctrlNo, OneBased<Point3>& ground, std::int32_t& n,
                   const std::vector<std::int32_t>& drop);

// Fills Da = scale*dR/da, Db = scale*dR/db, Dc = scale*dR/dc, the exact
// partial derivatives of R = RotationMatrix(a, b, c), each element formed
// as a derivative and then multiplied by the scale. The first column of Da
// and the third row of Dc are zero.
void RotationDerivatives(double a, double b, double c, double scale, Matrix3& Da, Matrix3& Db,
                         Matrix3& Dc);

// (u1, u2, u3) + u4 * R * m, row r as u(r) + u4 * (R(r,1)*m[0] + R(r,2)*m[1]
// + R(r,3)*m[2]): the one expression of both misclosures and transformed
// points.
Point3 ConformalPoint(const OneBased<double>& u, const Matrix3& R, const Point3& m);

struct AbsoluteSolution {
  int ErrCode = 0;  // the solver's; when not 0 nothing below is meaningful
  std::int16_t Iterations = 0;
  double So = 0, RMSE = 0;  // of the misclosures at the start of the last iteration
  std::string Convergence;  // "YES", or "NO " when the iterations diverged
  Matrix3 R;                // the rotation at the start of the last iteration
  // Observed minus computed at control point i = 1..n in X, Y, Z, at the
  // start of the last iteration; 0 where the point observes nothing.
  OneBased<Point3> V;
};

// Adjusts the seven unknowns u(1..7) on control points 1..n: ground
// coordinates `ground`, model coordinates `model` of their partners,
// standard errors sigma(i) = {horizontal, vertical}. u1..u3 are taken as
// they come (the starting translation); the scale starts at 1 and the angles
// at 0. Each iteration forms an X and a Y row for horizontal control and a
// Z row for vertical control, divided by the standard error, solves the
// normal equations (CholeskySolve, kSolve) and adds the corrections. So and
// RMSE take max(redundancy, 1) degrees of freedom. The iterations stop when
// So grows after the fourth iteration ("NO "), after the tenth, or once no
// correction exceeds kConvergenceLimit ("YES"). u holds the corrected
// unknowns on return, also when the solver fails (ErrCode 130): then the
// corrections of the iterations before stand.
AbsoluteSolution AdjustSevenParameters(const OneBased<Point3>& ground,
                                       const OneBased<Point3>& model,
                                       const OneBased<std::array<double, 2>>& sigma, std::int32_t n,
                                       std::int32_t redundancy, OneBased<double>& u);

}  // namespace tessaro
