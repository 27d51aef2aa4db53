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
// - Points are OneBased<Point3>, [0] = X, [1] = Y, [2] = Z.
// - A ground coordinate of exactly zero is not observed: X and Y both zero
//   make a vertical-only control point, Z zero a horizontal-only one.
// - Every sum and product runs in the order written here (the build uses
//   -ffp-contract=off), so every machine prints the same digits.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "numeric/one_based.h"
#include "numeric/outcome.h"
#include "numeric/rotation.h"

namespace tessaro {

// A standard error of this size marks an observation left out of the plain
// sum of squares (RMSE); its row still enters the normal equations.
inline constexpr double kExcludedSigma = 1.0E9;
// The iterations stop once no correction exceeds this (ground units, scale
// and radians alike), or after this many iterations.
inline constexpr double kSevenParameterConvergence = 0.0001;
inline constexpr int kSevenParameterIterations = 10;
// So may grow while the angles settle from zero; once this many iterations
// have passed, a growing So means the adjustment diverges.
inline constexpr int kSettlingIterations = 4;
// The So the first iteration is compared with: larger than any it meets.
inline constexpr double kStartSo = 1.0E9;

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
// point i = 1..nCtrl the measured records j = i-m..count, as exchanged so
// far, are searched for the first with its number, and records j and i-m
// exchange places (number and coordinates). Returns the positions i of the
// control points without a partner, ascending. Afterwards measured records
// 1..nCtrl-m are the partners of the matched control points, in control
// order. Time and memory grow linearly with the records.
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

// The misclosures of one control point, observed minus computed in X, Y, Z
// at the start of the last iteration; 0 in what the point does not observe.
struct ControlResidual {
  Point3 v = {0, 0, 0};
  bool horizontal = false;  // X and Y observed (X or Y of the control not 0)
  bool vertical = false;    // Z observed (Z of the control not 0)
};

struct AbsoluteSolution {
  // Converged; LimitReached after kSevenParameterIterations; GotWorse when
  // So grew after the settling iterations (reported as not converged);
  // Singular(code) when the solver failed: then only Unknowns and
  // Iterations are meaningful.
  Outcome outcome;
  // Dx, Dy, Dz, scale and the three angles, with the corrections of every
  // iteration solved.
  OneBased<double> Unknowns = OneBased<double>(7);
  int Iterations = 0;
  double So = 0, RMSE = 0;      // of the misclosures at the start of the last iteration
  Matrix3 R;                    // the rotation at the start of the last iteration
  OneBased<ControlResidual> V;  // control points 1..n
  // Every measured point 1..count transformed: (u1, u2, u3) + u4 * R * model,
  // with R as above and u1..u4 after the last corrections.
  OneBased<Point3> Transformed;
};

// Adjusts the seven unknowns on control points 1..n: ground coordinates
// `ground`, model coordinates `model` of their partners, standard errors
// sigma(i) = {horizontal, vertical}; then transforms the measured points
// model(1..count) (model holds max(n, count) points). The translations start from start(1..3); the
// scale starts at 1 and the angles at 0. Each iteration forms an X and a Y
// row for horizontal control and a Z row for vertical control, divided by
// the standard error, solves the normal equations (CholeskySolve, kSolve)
// and adds the corrections. So and RMSE take max(redundancy, 1) degrees of
// freedom. The iterations stop, in this order, when So grows after the
// settling iterations, when no correction exceeds the convergence limit,
// or after the last iteration.
AbsoluteSolution AdjustSevenParameters(const OneBased<Point3>& ground,
                                       const OneBased<Point3>& model,
                                       const OneBased<std::array<double, 2>>& sigma, std::int32_t n,
                                       std::int32_t count, std::int32_t redundancy,
                                       const OneBased<double>& start);

}  // namespace tessaro
